// XML documents over the system XML library (MSXML 6.0, else 3.0). Nodes and node lists are COM
// objects of this DLL wrapping DOM nodes; operations reach the DOM node through GetDomNode, so a
// store works on the nodes of another store too (the program reads the module document's nodes
// through the common store). Each store's document has one lock, shared with every node taken
// from it: whichever store is asked to read or change a node takes the lock of the node's own
// store, so two stores never touch one document at once.

#include "base/win/Handle.h"
#include "suite/components/Coclasses.h"
#include "suite/components/ComObject.h"
#include "suite/components/FileIo.h"
#include "suite/include/QuillSuite.h"

#include <msxml2.h>
#include <wrl/client.h>

#include <cwchar>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace qm::suite {

// The lock of one store's document. Nodes hold it too, so it outlives a store released before
// its nodes.
using StoreLock = std::shared_ptr<std::mutex>;

// Offered by the nodes of this DLL only: the lock of the store whose document holds the node.
MIDL_INTERFACE("281f5eb3-b7a6-4c91-8c0e-bccc4577113d")
IXmlNodeOwner : public IUnknown {
    virtual const StoreLock& STDMETHODCALLTYPE OwnerLock() = 0;
};

}  // namespace qm::suite
__CRT_UUID_DECL(qm::suite::IXmlNodeOwner, 0x281f5eb3, 0xb7a6, 0x4c91, 0x8c, 0x0e, 0xbc, 0xcc, 0x45, 0x77, 0x11, 0x3d)

namespace qm::suite {
namespace {

using Microsoft::WRL::ComPtr;

// Declared here rather than taken from import libraries, which differ between tool chains.
QM_DECLARE_GUID(kClsidDomDocument60, 0x88d96a05, 0xf192, 0x11d4, 0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5);
QM_DECLARE_GUID(kClsidDomDocument30, 0xf5078f32, 0xc551, 0x11d3, 0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21);
QM_DECLARE_GUID(kIidXmlDomNode, 0x2933bf80, 0x7b36, 0x11d2, 0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60);
QM_DECLARE_GUID(kIidXmlDomDocument, 0x2933bf81, 0x7b36, 0x11d2, 0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60);
QM_DECLARE_GUID(kIidXmlDomElement, 0x2933bf86, 0x7b36, 0x11d2, 0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60);

constexpr const wchar_t* kStoreSource = L"XmlStoreComponent";
constexpr const wchar_t* kWhat = L"XML file";

template <typename T>
HRESULT QueryAs(IUnknown* from, const IID& iid, ComPtr<T>& to) {
    return from->QueryInterface(iid, reinterpret_cast<void**>(to.ReleaseAndGetAddressOf()));
}

ComPtr<IXMLDOMDocument> CreateDocument() {
    ComPtr<IXMLDOMDocument> document;
    for (const CLSID* clsid : {&kClsidDomDocument60, &kClsidDomDocument30}) {
        if (SUCCEEDED(::CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument,
                                         reinterpret_cast<void**>(document.ReleaseAndGetAddressOf())))) {
            break;
        }
    }
    if (document) {
        // Our files are plain data: no fetching of external entities or DTDs while parsing.
        document->put_async(VARIANT_FALSE);
        document->put_validateOnParse(VARIANT_FALSE);
        document->put_resolveExternals(VARIANT_FALSE);
        document->put_preserveWhiteSpace(VARIANT_TRUE);
    }
    return document;
}

std::wstring BstrText(const Bstr& text) { return std::wstring(text.View()); }

// ---- Node -----------------------------------------------------------------------------------

class XmlNode final : public ComObject<IXmlNode, IXmlNodeOwner> {
public:
    XmlNode(ComPtr<IXMLDOMNode> node, StoreLock lock) noexcept : node_(std::move(node)), lock_(std::move(lock)) {}

    const StoreLock& STDMETHODCALLTYPE OwnerLock() override { return lock_; }

    STDMETHODIMP GetName(BSTR* name) override {
        return GuardCall(L"XmlNode", __uuidof(IXmlNode), [&] {
            if (!name) throw ComFailure(E_POINTER, L"GetName was given no place for its result.");
            *name = nullptr;
            Bstr text;
            if (FAILED(node_->get_nodeName(text.Put()))) throw ComFailure(E_FAIL, L"The node has no name.");
            *name = AllocBstr(text.View());
            return S_OK;
        });
    }

    STDMETHODIMP GetDomNode(IUnknown** domNode) override {
        if (!domNode) return SetError(E_POINTER, L"XmlNode", __uuidof(IXmlNode), L"GetDomNode was given no place for its result.");
        return node_->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(domNode));
    }

private:
    ComPtr<IXMLDOMNode> node_;
    StoreLock lock_;
};

ComPtr<IXmlNode> WrapNode(ComPtr<IXMLDOMNode> node, const StoreLock& lock) {
    ComPtr<IXmlNode> wrapped;
    const HRESULT result =
        CreateAndQuery<XmlNode>(__uuidof(IXmlNode), reinterpret_cast<void**>(wrapped.GetAddressOf()), std::move(node), lock);
    if (FAILED(result)) throw std::bad_alloc();
    return wrapped;
}

// ---- Node list ------------------------------------------------------------------------------

class XmlNodeList final : public ComObject<IXmlNodeList> {
public:
    XmlNodeList(std::vector<ComPtr<IXMLDOMNode>> nodes, StoreLock lock) noexcept
        : nodes_(std::move(nodes)), lock_(std::move(lock)) {}

    STDMETHODIMP NextNode(IXmlNode** node) override {
        return GuardCall(L"XmlNodeList", __uuidof(IXmlNodeList), [&] {
            if (!node) throw ComFailure(E_POINTER, L"NextNode was given no place for its result.");
            *node = nullptr;
            std::lock_guard lock(mutex_);
            if (next_ >= nodes_.size()) return S_FALSE;
            *node = WrapNode(nodes_[next_], lock_).Detach();
            ++next_;
            return S_OK;
        });
    }

private:
    std::mutex mutex_;
    std::vector<ComPtr<IXMLDOMNode>> nodes_;
    StoreLock lock_;
    size_t next_ = 0;
};

// ---- Store ----------------------------------------------------------------------------------

// The DOM node behind a node of any store.
ComPtr<IXMLDOMNode> DomNodeOf(IXmlNode* node, const wchar_t* role) {
    if (!node) throw ComFailure(E_POINTER, std::wstring(L"No ") + role + L" node was given.");
    ComPtr<IUnknown> unknown;
    ComPtr<IXMLDOMNode> dom;
    if (FAILED(node->GetDomNode(&unknown)) || !unknown || FAILED(QueryAs(unknown.Get(), kIidXmlDomNode, dom))) {
        throw ComFailure(E_INVALIDARG, std::wstring(L"The ") + role + L" node is not a node of an XML document.");
    }
    return dom;
}

ComPtr<IXMLDOMElement> ElementOf(IXmlNode* node, const wchar_t* role) {
    ComPtr<IXMLDOMNode> dom = DomNodeOf(node, role);
    ComPtr<IXMLDOMElement> element;
    if (FAILED(QueryAs(dom.Get(), kIidXmlDomElement, element))) {
        throw ComFailure(E_INVALIDARG, std::wstring(L"The ") + role + L" node is not an element.");
    }
    return element;
}

std::wstring NodeName(IXMLDOMNode* node) {
    Bstr name;
    if (FAILED(node->get_nodeName(name.Put()))) return {};
    return BstrText(name);
}

// Child elements of `parent` called `name` (compared exactly, as XML names are), in document order.
std::vector<ComPtr<IXMLDOMNode>> ChildElements(IXMLDOMNode* parent, std::wstring_view name, bool firstOnly) {
    std::vector<ComPtr<IXMLDOMNode>> found;
    ComPtr<IXMLDOMNode> child;
    if (parent->get_firstChild(&child) != S_OK) return found;
    while (child) {
        DOMNodeType type = NODE_INVALID;
        if (SUCCEEDED(child->get_nodeType(&type)) && type == NODE_ELEMENT && NodeName(child.Get()) == name) {
            found.push_back(child);
            if (firstOnly) break;
        }
        ComPtr<IXMLDOMNode> next;
        if (child->get_nextSibling(&next) != S_OK) break;
        child = std::move(next);
    }
    return found;
}

void RequireName(BSTR name, const wchar_t* what) {
    if (BstrView(name).empty()) throw ComFailure(E_INVALIDARG, std::wstring(L"The ") + what + L" name is empty.");
}

// XML's Name production, ASCII part exact, every non-ASCII character accepted. Checked here
// because not every XML library refuses a bad name, and a saved document holding one could
// never be loaded again.
bool IsXmlName(std::wstring_view name) {
    if (name.empty()) return false;
    auto isStart = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || c == L'_' || c == L':' || c >= 0x80; };
    if (!isStart(name.front())) return false;
    for (wchar_t c : name.substr(1)) {
        if (!isStart(c) && !(c >= L'0' && c <= L'9') && c != L'-' && c != L'.') return false;
    }
    return true;
}

void RequireXmlName(BSTR name, const wchar_t* what) {
    RequireName(name, what);
    if (!IsXmlName(BstrView(name))) {
        throw ComFailure(E_INVALIDARG, L"\"" + std::wstring(BstrView(name)) + L"\" is not a valid " + what + L" name.");
    }
}

class XmlStoreComponent final : public ComObject<IXmlStoreComponent> {
public:
    explicit XmlStoreComponent(StoreLock lock) noexcept : lock_(std::move(lock)) {}

    STDMETHODIMP CheckLibrary() override {
        return GuardCall(kStoreSource, __uuidof(IXmlStoreComponent), [&] {
            std::lock_guard lock(*lock_);
            return CreateDocument() ? S_OK : S_FALSE;
        });
    }

    STDMETHODIMP Load(BSTR path) override {
        return GuardCall(kStoreSource, __uuidof(IXmlStoreComponent), [&] {
            std::lock_guard lock(*lock_);
            // Whatever happens next, the old document is gone and nothing may be saved over the
            // file unless it loads: a failed load must never turn into an empty file on disk.
            path_.clear();
            document_ = CreateDocument();
            if (!document_) {
                throw ComFailure(REGDB_E_CLASSNOTREG, L"The system XML library (MSXML) is not available.");
            }
            const std::wstring file(BstrView(path));
            if (file.empty()) throw ComFailure(E_INVALIDARG, L"No XML file was named (the path is empty).");
            ReadableOrThrow(file);

            VARIANT source;
            ::VariantInit(&source);
            source.vt = VT_BSTR;
            Bstr sourcePath(file);
            source.bstrVal = sourcePath.Get();
            VARIANT_BOOL loaded = VARIANT_FALSE;
            const HRESULT result = document_->load(source, &loaded);
            if (result != S_OK || loaded != VARIANT_TRUE) {
                std::wstring reason = ParseFailure();
                document_ = CreateDocument();  // empty: SelectNode finds nothing
                // The file could be opened (above), so it is its content that the parser refused.
                throw ComFailure(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), L"The XML file \"" + file + L"\" cannot be loaded: " + reason);
            }
            path_ = file;
            return S_OK;
        });
    }

    STDMETHODIMP SelectNode(BSTR path, IXmlNode** node) override {
        return GuardCall(kStoreSource, __uuidof(IXmlStoreComponent), [&] {
            if (!node) throw ComFailure(E_POINTER, L"SelectNode was given no place for its result.");
            *node = nullptr;
            const std::wstring_view text = BstrView(path);
            std::vector<std::wstring> steps;
            for (size_t start = 0;;) {
                const size_t slash = text.find(L'/', start);
                steps.emplace_back(text.substr(start, slash == std::wstring_view::npos ? std::wstring_view::npos : slash - start));
                if (steps.back().empty()) {
                    throw ComFailure(E_INVALIDARG, L"The node path \"" + std::wstring(text) + L"\" has an empty step.");
                }
                if (slash == std::wstring_view::npos) break;
                start = slash + 1;
            }
            std::lock_guard lock(*lock_);
            if (!document_) return S_FALSE;
            ComPtr<IXMLDOMElement> top;
            if (document_->get_documentElement(&top) != S_OK || !top) return S_FALSE;
            ComPtr<IXMLDOMNode> current;
            QueryAs(top.Get(), kIidXmlDomNode, current);
            if (!current || NodeName(current.Get()) != steps.front()) return S_FALSE;
            for (size_t i = 1; i < steps.size(); ++i) {
                std::vector<ComPtr<IXMLDOMNode>> next = ChildElements(current.Get(), steps[i], true);
                if (next.empty()) return S_FALSE;
                current = next.front();
            }
            *node = WrapNode(current, lock_).Detach();
            return S_OK;
        });
    }

    STDMETHODIMP SelectChildren(IXmlNode* parent, BSTR name, IXmlNodeList** list) override {
        return GuardCall(kStoreSource, __uuidof(IXmlStoreComponent), [&] {
            if (!list) throw ComFailure(E_POINTER, L"SelectChildren was given no place for its result.");
            *list = nullptr;
            RequireName(name, L"element");
            ComPtr<IXMLDOMNode> dom = DomNodeOf(parent, L"parent");
            const StoreLock owner = LockOf(parent);
            std::lock_guard lock(*owner);
            std::vector<ComPtr<IXMLDOMNode>> children = ChildElements(dom.Get(), BstrView(name), false);
            if (children.empty()) return S_FALSE;
            const HRESULT result =
                CreateAndQuery<XmlNodeList>(__uuidof(IXmlNodeList), reinterpret_cast<void**>(list), std::move(children), owner);
            if (FAILED(result)) throw std::bad_alloc();
            return S_OK;
        });
    }

    STDMETHODIMP GetAttribute(IXmlNode* node, BSTR name, VARIANT* value) override {
        return GuardCall(kStoreSource, __uuidof(IXmlStoreComponent), [&] {
            if (!value) throw ComFailure(E_POINTER, L"GetAttribute was given no place for its result.");
            ::VariantInit(value);
            value->vt = VT_NULL;
            RequireName(name, L"attribute");
            ComPtr<IXMLDOMElement> element = ElementOf(node, L"given");
            std::lock_guard lock(*LockOf(node));
            VARIANT found;
            ::VariantInit(&found);
            const HRESULT result = element->getAttribute(name, &found);
            if (FAILED(result)) throw ComFailure(result, L"The attribute \"" + std::wstring(BstrView(name)) + L"\" cannot be read.");
            if (result == S_OK && found.vt == VT_BSTR) {
                *value = found;  // the caller owns the string now
            } else {
                ::VariantClear(&found);
            }
            return S_OK;
        });
    }

    STDMETHODIMP AppendChild(IXmlNode* parent, BSTR name, BSTR text, IXmlNode** child) override {
        return GuardCall(kStoreSource, __uuidof(IXmlStoreComponent), [&] {
            if (!child) throw ComFailure(E_POINTER, L"AppendChild was given no place for its result.");
            *child = nullptr;
            RequireXmlName(name, L"element");
            ComPtr<IXMLDOMNode> dom = DomNodeOf(parent, L"parent");
            const StoreLock ownerLock = LockOf(parent);
            std::lock_guard lock(*ownerLock);
            // The parent's own document makes the element, whichever store the parent came from.
            ComPtr<IXMLDOMDocument> owner;
            if (dom->get_ownerDocument(&owner) != S_OK || !owner) {
                if (FAILED(QueryAs(dom.Get(), kIidXmlDomDocument, owner))) {
                    throw ComFailure(E_INVALIDARG, L"The parent node belongs to no document.");
                }
            }
            ComPtr<IXMLDOMElement> element;
            if (FAILED(owner->createElement(name, &element)) || !element) {
                throw ComFailure(E_INVALIDARG, L"\"" + std::wstring(BstrView(name)) + L"\" is not a valid element name.");
            }
            if (!BstrView(text).empty()) {
                Bstr content(BstrView(text));
                if (FAILED(element->put_text(content.Get()))) throw ComFailure(E_FAIL, L"The element's text cannot be set.");
            }
            ComPtr<IXMLDOMNode> elementNode;
            QueryAs(element.Get(), kIidXmlDomNode, elementNode);
            ComPtr<IXMLDOMNode> appended;
            const HRESULT result = dom->appendChild(elementNode.Get(), &appended);
            if (FAILED(result) || !appended) {
                throw ComFailure(FAILED(result) ? result : E_FAIL, L"The element \"" + std::wstring(BstrView(name)) + L"\" cannot be added there.");
            }
            *child = WrapNode(appended, ownerLock).Detach();
            return S_OK;
        });
    }

    STDMETHODIMP SetAttribute(IXmlNode* node, BSTR name, VARIANT value) override {
        return GuardCall(kStoreSource, __uuidof(IXmlStoreComponent), [&] {
            RequireXmlName(name, L"attribute");
            ComPtr<IXMLDOMElement> element = ElementOf(node, L"given");
            std::lock_guard lock(*LockOf(node));
            const HRESULT result = element->setAttribute(name, value);
            if (FAILED(result)) {
                throw ComFailure(result, L"The attribute \"" + std::wstring(BstrView(name)) + L"\" cannot be set to that value.");
            }
            return S_OK;
        });
    }

    STDMETHODIMP RemoveChild(IXmlNode* parent, IXmlNode* child, IXmlNode** removed) override {
        return GuardCall(kStoreSource, __uuidof(IXmlStoreComponent), [&] {
            if (!removed) throw ComFailure(E_POINTER, L"RemoveChild was given no place for its result.");
            *removed = nullptr;
            ComPtr<IXMLDOMNode> parentDom = DomNodeOf(parent, L"parent");
            ComPtr<IXMLDOMNode> childDom = DomNodeOf(child, L"child");
            // Both documents when the child comes from another store (the DOM then refuses).
            const StoreLock parentOwner = LockOf(parent);
            const StoreLock childOwner = LockOf(child);
            std::unique_lock parentLock(*parentOwner, std::defer_lock);
            std::unique_lock childLock(*childOwner, std::defer_lock);
            if (parentOwner == childOwner) {
                parentLock.lock();
            } else {
                std::lock(parentLock, childLock);
            }
            ComPtr<IXMLDOMNode> out;
            const HRESULT result = parentDom->removeChild(childDom.Get(), &out);
            if (FAILED(result) || !out) {
                throw ComFailure(FAILED(result) ? result : E_INVALIDARG, L"The node to remove is not a child of the given parent.");
            }
            *removed = WrapNode(out, parentOwner).Detach();
            return S_OK;
        });
    }

    STDMETHODIMP Save() override {
        return GuardCall(kStoreSource, __uuidof(IXmlStoreComponent), [&] {
            std::lock_guard lock(*lock_);
            if (path_.empty() || !document_) {
                throw ComFailure(E_UNEXPECTED, L"No XML file was loaded, so there is nothing to save it to.");
            }
            CheckReplaceable(path_, kWhat);
            const std::wstring temporary = TemporarySibling(path_);
            Bstr target(temporary);
            VARIANT destination;
            ::VariantInit(&destination);
            destination.vt = VT_BSTR;
            destination.bstrVal = target.Get();
            const HRESULT result = document_->save(destination);
            if (FAILED(result)) {
                ::DeleteFileW(temporary.c_str());
                throw ComFailure(result, L"The XML file \"" + path_ + L"\" cannot be written: " + ErrorText(HRESULT_CODE(result)) + L".");
            }
            ReplaceWithTemporary(temporary, path_, kWhat);
            return S_OK;
        });
    }

private:
    // The lock of the store whose document holds `node`; this store's own for a node that does
    // not say (one made elsewhere).
    StoreLock LockOf(IXmlNode* node) const {
        ComPtr<IXmlNodeOwner> owner;
        if (node && SUCCEEDED(node->QueryInterface(__uuidof(IXmlNodeOwner), reinterpret_cast<void**>(owner.GetAddressOf())))) {
            return owner->OwnerLock();
        }
        return lock_;
    }

    // Opened once before the parser reads it, so that a file that is missing, locked or not ours
    // to read says so in those words, and only a file that was read can count as malformed.
    static void ReadableOrThrow(const std::wstring& file) {
        const DWORD attributes = ::GetFileAttributesW(file.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            throw ComFailure(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), L"The XML file \"" + file + L"\" is a folder, not a file.");
        }
        FileHandle opened(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (opened) return;
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            throw ComFailure(HRESULT_FROM_WIN32(error), L"The XML file \"" + file + L"\" does not exist.");
        }
        throw ComFailure(HRESULT_FROM_WIN32(error), L"The XML file \"" + file + L"\" cannot be read: " + ErrorText(error) + L".");
    }

    // The parser's account of why the last load failed: its reason, line and column.
    std::wstring ParseFailure() const {
        ComPtr<IXMLDOMParseError> error;
        if (FAILED(document_->get_parseError(&error)) || !error) return L"the parser gave no reason.";
        Bstr reason;
        error->get_reason(reason.Put());
        long code = 0, line = 0, column = 0;
        error->get_errorCode(&code);
        error->get_line(&line);
        error->get_linepos(&column);
        std::wstring text(reason.View());
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.')) {
            text.pop_back();
        }
        // Some parsers say no more than "error"; the document then is simply not well-formed.
        if (text.empty() || text == L"error") text = L"it is not well-formed XML";
        if (line > 0) text += L" (line " + std::to_wstring(line) + L", column " + std::to_wstring(column) + L")";
        wchar_t codeText[40];
        std::swprintf(codeText, 40, L" [parser code 0x%08lX]", static_cast<unsigned long>(code));
        return text + L"." + (code ? codeText : L"");
    }

    const StoreLock lock_;  // guards document_ and path_
    ComPtr<IXMLDOMDocument> document_;
    std::wstring path_;  // set only by a successful Load: the file Save may replace
};

}  // namespace

HRESULT CreateXmlStoreComponent(const IID& iid, void** object) noexcept {
    StoreLock lock;
    try {
        lock = std::make_shared<std::mutex>();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return CreateAndQuery<XmlStoreComponent>(iid, object, std::move(lock));
}

}  // namespace qm::suite
