// The resources of the built program, read from its file: version information, menu 129,
// string 101, bitmap 135 and icon group 128.

#include <cstring>
#include <vector>

#include "tests/app/driver/checks.h"
#include "tests/app/driver/scenarios.h"
#include "tests/app/driver/test_files.h"

namespace {

std::string VersionString(const std::vector<char>& block, const std::string& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::string path = "\\StringFileInfo\\040904B0\\" + name;
    if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || value == nullptr) {
        return "<missing>";
    }
    return static_cast<const char*>(value);
}

void ExpectVersionInformation(const std::string& program) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(program.c_str(), &handle);
    if (size == 0) {
        Expect(false, "the program carries version information");
        return;
    }
    std::vector<char> block(size);
    GetFileVersionInfoA(program.c_str(), 0, size, block.data());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    Expect(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) &&
               fixed != nullptr && fixed->dwFileVersionMS == 0x00010000 &&
               fixed->dwFileVersionLS == 0x00000001 && fixed->dwProductVersionMS == 0x00010000 &&
               fixed->dwProductVersionLS == 0x00000001,
           "file and product version 1.0.0.1");
    ExpectEqual(VersionString(block, "FileDescription"), "ZEP Modbus TCP Parser MFC Application",
                "FileDescription");
    ExpectEqual(VersionString(block, "FileVersion"), "1, 0, 0, 1", "FileVersion");
    ExpectEqual(VersionString(block, "ProductVersion"), "1, 0, 0, 1", "ProductVersion");
    ExpectEqual(VersionString(block, "InternalName"), "ZEP Modbus TCP Parser", "InternalName");
    ExpectEqual(VersionString(block, "OriginalFilename"), "ZEP Modbus TCP Parser.EXE",
                "OriginalFilename");
    ExpectEqual(VersionString(block, "ProductName"), "ZEP Modbus TCP Parser Application",
                "ProductName");
    ExpectEqual(VersionString(block, "CompanyName"), "", "CompanyName");
    ExpectEqual(VersionString(block, "LegalTrademarks"), "", "LegalTrademarks");
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    Expect(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(&translation), &length) &&
               translation != nullptr && translation->language == 0x0409 &&
               translation->codePage == 0x04B0,
           "version language 0x0409, code page 0x04B0");
}

void ExpectMenu(HMODULE module) {
    HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(129));
    if (menu == nullptr) {
        Expect(false, "menu 129 exists");
        return;
    }
    ExpectEqual(GetMenuItemCount(menu), 1, "menu 129: one pop-up");
    char text[64] = {};
    GetMenuStringA(menu, 0, text, sizeof(text), MF_BYPOSITION);
    ExpectEqual(text, "Menu", "menu 129: the pop-up's title");
    HMENU popup = GetSubMenu(menu, 0);
    ExpectEqual(GetMenuItemCount(popup), 3, "menu 129: items");
    const struct {
        const char* text;
        UINT id;
    } items[] = {{"About", 32771}, {"Help", 32772}, {"Exit", 32773}};
    for (int i = 0; i < 3; ++i) {
        GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        ExpectEqual(text, items[i].text, "menu 129: item text");
        ExpectEqual(GetMenuItemID(popup, i), items[i].id,
                    "menu 129: command of " + std::string(items[i].text));
    }
    DestroyMenu(menu);
}

void ExpectLogo(HMODULE module) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(135), MAKEINTRESOURCEA(2));  // RT_BITMAP
    if (found == nullptr) {
        Expect(false, "bitmap 135 exists");
        return;
    }
    const auto* header =
        static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, found)));
    Expect(header->biWidth == 400 && header->biHeight == 60, "logo of 400 x 60 pixels");
    Expect(header->biBitCount == 8 && (header->biClrUsed == 0 || header->biClrUsed == 256),
           "logo with 256 colours");
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

void ExpectIcon(HMODULE module) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(128), MAKEINTRESOURCEA(14));  // group
    if (found == nullptr) {
        Expect(false, "icon group 128 exists");
        return;
    }
    const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    WORD count = 0;
    std::memcpy(&count, group + 4, sizeof(count));
    ExpectEqual(count, 2, "icon group 128: two images");
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        IconGroupEntry entry;
        std::memcpy(&entry, group + 6 + i * sizeof(IconGroupEntry), sizeof(entry));
        HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(entry.id), MAKEINTRESOURCEA(3));
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, image)));
        Expect(header != nullptr && header->biBitCount == 4 && header->biWidth == entry.width,
               "icon image of 16 colours, " + std::to_string(entry.width) + " pixels wide");
        sizes.push_back(entry.width);
    }
    Expect(sizes == std::vector<int>({32, 16}) || sizes == std::vector<int>({16, 32}),
           "icon group 128: a 32 x 32 and a 16 x 16 image");
}

}  // namespace

void ScenarioResources() {
    const std::string program = Settings().program;
    ExpectVersionInformation(program);
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) {
        Fail("cannot read the resources of " + program);
    }
    char text[128] = {};
    LoadStringA(module, 101, text, sizeof(text));
    ExpectEqual(text, "&About ZEP Modbus TCP Parser...", "string 101");
    ExpectMenu(module);
    ExpectLogo(module);
    ExpectIcon(module);
    FreeLibrary(module);
}
