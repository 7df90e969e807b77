#include "host/WizardLayoutStore.h"

#include <charconv>
#include <string>

namespace qm::host {
namespace {

constexpr std::string_view kWizard = "wizard";
constexpr std::string_view kWidth = "width";
constexpr std::string_view kHeight = "height";
constexpr std::string_view kResultColumns = "result_columns";

// A size far beyond any screen is taken for a damaged value, not clipped.
constexpr long kLargest = 100000;

// A whole number from 1 to kLargest, the whole text and nothing else; 0 otherwise.
long Pixels(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return 0;
    return value >= 1 && value <= kLargest ? value : 0;
}

std::vector<long> PixelList(std::string_view text) {
    std::vector<long> values;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const long value = Pixels(text.substr(0, comma));
        if (value == 0) return {};
        values.push_back(value);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
        if (text.empty()) return {};  // a trailing comma

    }
    return values;
}

std::string Joined(const std::vector<long>& values) {
    std::string text;
    for (long value : values) text.append(text.empty() ? "" : ",").append(std::to_string(value));
    return text;
}

}  // namespace

WizardLayout LoadWizardLayout(const XmlStoreComponent& moduleXml) {
    WizardLayout layout;
    ComPtr<IXmlNode> element = ModuleElement(moduleXml, kWizard, /*create=*/false);
    if (!element) return layout;
    const long width = Pixels(moduleXml.GetAttribute(element.Get(), kWidth));
    const long height = Pixels(moduleXml.GetAttribute(element.Get(), kHeight));
    if (width && height) {
        layout.width = width;
        layout.height = height;
    }
    layout.resultColumns = PixelList(moduleXml.GetAttribute(element.Get(), kResultColumns));
    return layout;
}

bool SaveWizardLayout(const XmlStoreComponent& moduleXml, const WizardLayout& layout) {
    ComPtr<IXmlNode> element = ModuleElement(moduleXml, kWizard, /*create=*/true);
    if (!element) return false;
    moduleXml.SetAttribute(element.Get(), kWidth, std::to_string(layout.width));
    moduleXml.SetAttribute(element.Get(), kHeight, std::to_string(layout.height));
    moduleXml.SetAttribute(element.Get(), kResultColumns, Joined(layout.resultColumns));
    moduleXml.Save();
    return true;
}

}  // namespace qm::host
