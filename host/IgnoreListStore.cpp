#include "host/IgnoreListStore.h"

namespace qm::host {
namespace {

constexpr std::string_view kIgnore = "ignore";
constexpr std::string_view kShortcut = "shortcut";
constexpr std::string_view kFolder = "folder";
constexpr std::string_view kName = "name";

std::vector<ComPtr<IXmlNode>> Children(const XmlStoreComponent& store, IXmlNode* parent, std::string_view name) {
    std::vector<ComPtr<IXmlNode>> children;
    ComPtr<IXmlNodeList> list = store.SelectChildren(parent, name);
    if (!list) return children;
    while (ComPtr<IXmlNode> child = XmlStoreComponent::NextNode(list.Get())) children.push_back(std::move(child));
    return children;
}

}  // namespace

IgnoreList LoadIgnoreList(const XmlStoreComponent& moduleXml) {
    IgnoreList list;
    ComPtr<IXmlNode> ignore = ModuleElement(moduleXml, kIgnore, /*create=*/false);
    if (!ignore) return list;
    for (const auto& node : Children(moduleXml, ignore.Get(), kShortcut)) list.AddShortcut(moduleXml.GetAttribute(node.Get(), kName));
    for (const auto& node : Children(moduleXml, ignore.Get(), kFolder)) list.AddFolder(moduleXml.GetAttribute(node.Get(), kName));
    return list;
}

bool SaveIgnoreList(const XmlStoreComponent& moduleXml, const IgnoreList& list) {
    ComPtr<IXmlNode> ignore = ModuleElement(moduleXml, kIgnore, /*create=*/true);
    if (!ignore) return false;
    // The old entries are gathered before any is removed, whether the list is live or a snapshot.
    for (std::string_view name : {kShortcut, kFolder}) {
        for (const auto& node : Children(moduleXml, ignore.Get(), name)) moduleXml.RemoveChild(ignore.Get(), node.Get());
    }
    auto append = [&](std::string_view name, const std::vector<std::string>& paths) {
        for (const std::string& path : paths) {
            ComPtr<IXmlNode> node = moduleXml.AppendChild(ignore.Get(), name, "");
            moduleXml.SetAttribute(node.Get(), kName, path);
        }
    };
    append(kShortcut, list.Shortcuts());
    append(kFolder, list.Folders());
    // One write with the new entries: a failure leaves the file as it was.
    moduleXml.Save();
    return true;
}

}  // namespace qm::host
