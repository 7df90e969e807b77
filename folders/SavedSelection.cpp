#include "folders/SavedSelection.h"

namespace qm::folders {
namespace {

constexpr std::string_view kSelectionPath = "config/select_folders";
constexpr std::string_view kItem = "item";
constexpr std::string_view kName = "name";

std::vector<host::ComPtr<IXmlNode>> Items(const host::XmlStoreComponent& store, IXmlNode* selection) {
    std::vector<host::ComPtr<IXmlNode>> items;
    host::ComPtr<IXmlNodeList> list = store.SelectChildren(selection, kItem);
    if (!list) return items;
    while (host::ComPtr<IXmlNode> item = host::XmlStoreComponent::NextNode(list.Get())) items.push_back(std::move(item));
    return items;
}

}  // namespace

std::vector<std::string> LoadSavedSelection(const host::XmlStoreComponent& moduleXml,
                                            const host::XmlStoreComponent& attributeReader) {
    std::vector<std::string> paths;
    if (!moduleXml) return paths;
    host::ComPtr<IXmlNode> selection = moduleXml.SelectNode(kSelectionPath);
    if (!selection) return paths;
    const host::XmlStoreComponent& reader = attributeReader ? attributeReader : moduleXml;
    for (const auto& item : Items(moduleXml, selection.Get())) paths.push_back(reader.GetAttribute(item.Get(), kName));
    return paths;
}

bool ReplaceSavedSelection(const host::XmlStoreComponent& moduleXml, const std::vector<std::string>& paths) {
    if (!moduleXml) return false;
    host::ComPtr<IXmlNode> selection = moduleXml.SelectNode(kSelectionPath);
    if (!selection) return false;
    // The old items are gathered before any is removed, whether the list is live or a snapshot.
    for (const auto& item : Items(moduleXml, selection.Get())) moduleXml.RemoveChild(selection.Get(), item.Get());
    for (const std::string& path : paths) {
        host::ComPtr<IXmlNode> item = moduleXml.AppendChild(selection.Get(), kItem, "");
        moduleXml.SetAttribute(item.Get(), kName, path);
    }
    // One write with the new items: a failure leaves the file as it was, never emptied.
    moduleXml.Save();
    return true;
}

}  // namespace qm::folders
