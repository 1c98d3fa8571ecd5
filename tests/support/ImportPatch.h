// Points one of this program's own import entries (or those of a library it
// loaded) at a stand-in while the object lives, so a test can count or refuse
// the system calls that code linked into it makes. Header-only; Windows test
// programs only.
#pragma once

#include <windows.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace ovs::test {

class TImportPatch {
public:
    // dll: as the import table names it ("kernel32.dll"), any letter case.
    // module: whose imports to patch; null for the program itself.
    TImportPatch(const char* dll, const char* function, void* standIn, HMODULE module = nullptr) {
        auto* base = reinterpret_cast<BYTE*>(module ? module : GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name; ++d) {
            if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* slots = reinterpret_cast<void**>(base + d->FirstThunk);
            for (size_t i = 0; names[i].u1.AddressOfData; ++i) {
                if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
                const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
                slot_ = &slots[i];
                original_ = *slot_;
                Write(standIn);
                return;
            }
        }
        throw std::runtime_error(std::string("this program does not import ") + function);
    }
    ~TImportPatch() { Write(original_); }
    TImportPatch(const TImportPatch&) = delete;
    TImportPatch& operator=(const TImportPatch&) = delete;

    // The system's own function, for the stand-in to forward to.
    template <class Function>
    Function Original() const {
        return reinterpret_cast<Function>(original_);
    }

private:
    void Write(void* value) {
        DWORD old = 0;
        VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &old);
        *slot_ = value;
        VirtualProtect(slot_, sizeof(void*), old, &old);
    }

    void** slot_ = nullptr;
    void* original_ = nullptr;
};

} // namespace ovs::test
