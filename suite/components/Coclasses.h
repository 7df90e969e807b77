// Creation functions of the DLL's coclasses, one per class identifier in the class table.
#pragma once

#include <windows.h>

namespace qm::suite {

HRESULT CreateConfigComponent(const IID& iid, void** object) noexcept;
HRESULT CreateLanguageComponent(const IID& iid, void** object) noexcept;
HRESULT CreateXmlStoreComponent(const IID& iid, void** object) noexcept;
HRESULT CreateBackupComponent(const IID& iid, void** object) noexcept;
HRESULT CreateSkinComponent(const IID& iid, void** object) noexcept;
HRESULT CreateFileFinderComponent(const IID& iid, void** object) noexcept;

}  // namespace qm::suite
