// For tables of cases over the self-painted control classes: how to take over a window with
// one of them and set it up.
#pragma once

#include "controls/ControlHook.h"

#include <functional>
#include <memory>

namespace qm::controls {

using AttachFn = std::function<std::unique_ptr<ControlHook>(HWND)>;

template <typename Control>
AttachFn Attached(std::function<void(Control&)> setUp = {}) {
    return [setUp](HWND window) -> std::unique_ptr<ControlHook> {
        auto control = std::make_unique<Control>();
        control->Attach(window);
        if (setUp) setUp(*control);
        return control;
    };
}

}  // namespace qm::controls
