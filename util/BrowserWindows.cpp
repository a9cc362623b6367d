// The web browser on Windows: the registry's open command for http, started
// through the shell.

#include "format/TextCodec.h"
#include "util/UserError.h"
#include "util/Utils.h"

#include <QString>

#include <cwchar>

#include <windows.h>

#include <shellapi.h>
#ifdef _MSC_VER
#pragma comment(lib, "advapi32.lib")
#pragma comment(lib, "shell32.lib")
#endif

std::string registeredHttpBrowser() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size);
    std::wstring value;
    bool wrongType = false;
    if (status == ERROR_SUCCESS) {
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            value.resize(size / sizeof(wchar_t) + 1);
            size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
            status = RegQueryValueExW(key, nullptr, nullptr, &type,
                                      reinterpret_cast<BYTE*>(value.data()), &size);
            if (status == ERROR_SUCCESS)
                value.resize(std::wcslen(value.c_str()));
            else
                value.clear();
        } else {
            wrongType = true;
        }
    }
    RegCloseKey(key);
    if (wrongType)
        throw UserError("Invalid data type for ''");
    if (value.empty())
        return {};
    return browserPathFromCommand(QString::fromStdWString(value).toUtf8().toStdString());
}

namespace {

bool startWithShell(const std::string& program, const std::string& address) {
    const std::wstring file = QString::fromUtf8(program).toStdWString();
    // The browser splits its parameter string at blanks and quotes itself.
    const std::wstring parameters =
        textcodec::decodeToQString(addressForCommandLine(address)).toStdWString();
    const auto outcome = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", file.c_str(), parameters.c_str(), nullptr, SW_SHOW));
    return outcome > 32;
}

} // namespace

bool OpenInBrowser(std::string_view address) {
    return OpenInBrowser(address, startWithShell);
}
