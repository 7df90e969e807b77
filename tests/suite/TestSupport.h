// Shared by the component tests: a COM apartment per test and a folder of files of its own.
#pragma once

#include "base/Utf.h"
#include "base/win/Handle.h"
#include "host/Components.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::test {

class ComponentTest : public ::testing::Test {
protected:
    ComApartment apartment_;
    TempFolder folder_{"qm-suite"};
};

// Runs `call`, expects a ComponentError, and gives it back for closer checks.
template <typename Call>
host::ComponentError ExpectComponentError(Call&& call) {
    try {
        call();
    } catch (const host::ComponentError& error) {
        return error;
    }
    ADD_FAILURE() << "no ComponentError was raised";
    return host::ComponentError(S_OK, "");
}

// A new component of its class; a failure to create it fails the test.
template <typename Component>
Component Created() {
    Component component;
    EXPECT_EQ(Component::Create(component), S_OK);
    return component;
}

// An XML store with the document at `path` loaded.
inline host::XmlStoreComponent LoadedXml(const std::string& path) {
    host::XmlStoreComponent store = Created<host::XmlStoreComponent>();
    store.Load(path);
    return store;
}

inline bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

}  // namespace qm::test
