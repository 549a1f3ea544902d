#include "environment/support_report.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "environment/environment.h"
#include "environment/debug_log.h"
#include "environment/folder_value.h"
#include "environment/language.h"
#include "environment/places.h"
#include "framework/extension_module.h"
#include "framework/scoped_hkey.h"
#include "kxvm.h"

namespace kx {
namespace {

// One place searched, with what it came to.
struct Place {
  explicit Place(const wchar_t* from, HKEY at = nullptr, const wchar_t* keyPath = L"",
                 const wchar_t* valueName = L"")
      : source(from), root(at), key(keyPath), value(valueName) {}

  const wchar_t* source;  // "data folder", "product key", ...
  HKEY root;              // null for the installation folder
  const wchar_t* key;
  const wchar_t* value;
  std::wstring status = L"not consulted";
  std::optional<FolderValue> read;
  std::wstring folder;  // the installation folder's place

  std::wstring Name() const {
    if (!root) return L"installation folder";
    return std::wstring(RootName(root)) + L"\\" + key + L"\\" + value;
  }
};

const wchar_t* StatusText(FolderStatus status) {
  switch (status) {
    case FolderStatus::kFound:
      return L"found";
    case FolderStatus::kKeyMissing:
      return L"key missing";
    case FolderStatus::kAccessDenied:
      return L"access denied";
    case FolderStatus::kValueMissing:
      return L"value missing";
    case FolderStatus::kTooLong:
      return L"too long";
    case FolderStatus::kEmpty:
      return L"empty";
    case FolderStatus::kNotAbsolute:
      return L"not absolute";
  }
  return L"";
}

std::wstring TypeName(DWORD type) {
  const wchar_t* names[] = {L"REG_NONE",
                            L"REG_SZ",
                            L"REG_EXPAND_SZ",
                            L"REG_BINARY",
                            L"REG_DWORD",
                            L"REG_DWORD_BIG_ENDIAN",
                            L"REG_LINK",
                            L"REG_MULTI_SZ",
                            L"REG_RESOURCE_LIST",
                            L"REG_FULL_RESOURCE_DESCRIPTOR",
                            L"REG_RESOURCE_REQUIREMENTS_LIST",
                            L"REG_QWORD"};
  return type < std::size(names) ? names[type] : L"type " + std::to_wstring(type);
}

FolderValue Consult(Place& place) {
  FolderValue read = ReadFolderValue(place.root, place.key, place.value);
  place.status = StatusText(read.status);
  place.read = read;
  return read;
}

// The version in the module's version block.
std::wstring FileVersion(HMODULE module) {
  const HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(1), RT_VERSION);
  const HGLOBAL data = info ? ::LoadResource(module, info) : nullptr;
  const auto* bytes = static_cast<const BYTE*>(data ? ::LockResource(data) : nullptr);
  const DWORD size = info ? ::SizeofResource(module, info) : 0;
  // VS_FIXEDFILEINFO starts with its signature, on a 4-byte boundary.
  for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, bytes + at, sizeof fixed);
    if (fixed.dwSignature != VS_FFI_SIGNATURE) continue;
    return std::to_wstring(HIWORD(fixed.dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(fixed.dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(fixed.dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(fixed.dwFileVersionLS));
  }
  return {};
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
  return std::wstring(path, length < MAX_PATH ? length : 0);
}

struct Report {
  std::wstring libraryPath, fileVersion, interfaceVersion, installation;
  std::vector<Place> dataPlaces;
  std::optional<std::wstring> dataFolder, dataFolderInUse;
  std::vector<Place> eurekaPlaces;
  std::wstring executable;
  bool executablePresent = false;
  LanguageChoice language;
  std::wstring switchStatus;
  std::optional<DWORD> switchType, switchValue;
  std::optional<std::wstring> logFile;

  bool LaunchWouldStart() const { return dataFolder && executablePresent; }
};

// The data folder's four places, in the order the environment tries them.
void SearchDataFolder(Report& report) {
  const struct {
    HKEY root;
    const wchar_t* key;
  } places[] = {{HKEY_CURRENT_USER, kProductKey},
                {HKEY_LOCAL_MACHINE, kProductKey},
                {HKEY_CURRENT_USER, kProductSEKey},
                {HKEY_LOCAL_MACHINE, kProductSEKey}};
  for (const auto& where : places) {
    Place place{L"data folder", where.root, where.key, kDataPathValue};
    if (!report.dataFolder) {
      const FolderValue read = Consult(place);
      if (read.Found()) report.dataFolder = read.Folder();
    }
    report.dataPlaces.push_back(place);
  }
}

// Eureka's folder: the product key (current user, then local machine only
// when the user's key exists without a usable value), the vendor key, the
// installation folder.
void SearchEureka(Report& report) {
  std::optional<std::wstring> winner;
  Place user{L"product key", HKEY_CURRENT_USER, kProductKey, kEurekaExePathValue};
  Place machine{L"product key", HKEY_LOCAL_MACHINE, kProductKey, kEurekaExePathValue};
  Place vendor{L"vendor key", HKEY_LOCAL_MACHINE, kVendorKey, kEurekaDirValue};
  Place install{L"installation folder"};
  install.folder = report.installation;

  auto tryProductFolder = [&winner](Place& place, const FolderValue& read) {
    if (FileFound(read.Folder() + kEurekaExe))
      winner = read.Folder();
    else
      place.status = L"found, but no Eureka.exe there";
  };
  const FolderValue fromUser = Consult(user);
  if (fromUser.Found()) {
    tryProductFolder(user, fromUser);
  } else if (fromUser.KeyOpened()) {
    if (const FolderValue fromMachine = Consult(machine); fromMachine.Found())
      tryProductFolder(machine, fromMachine);
  }
  if (!winner) {
    const FolderValue fromVendor = Consult(vendor);
    if (fromVendor.Found()) {
      vendor.status = L"found, trusted without a check";
      winner = fromVendor.Folder();
    }
  }
  if (!winner) {
    const bool there =
        ::GetFileAttributesW((report.installation + kEurekaExe).c_str()) != INVALID_FILE_ATTRIBUTES;
    install.status = there ? L"found" : L"no Eureka.exe there";
    winner = report.installation;
  }
  report.eurekaPlaces = {user, machine, vendor, install};
  report.executable = *winner + kEurekaExe;
  report.executablePresent = FileFound(report.executable);
}

void ReadLogSwitch(Report& report) {
  ScopedHKey key;
  if (OpenKey(key, HKEY_CURRENT_USER, kDebugKeyPath, KEY_READ) != ERROR_SUCCESS) {
    report.switchStatus = L"key missing";
    return;
  }
  const StoredDebugSwitch stored = ReadStoredDebugSwitch(key.Get());
  report.switchStatus = stored.read ? L"found" : stored.tooLong ? L"too long" : L"value missing";
  if (stored.read || stored.tooLong) report.switchType = stored.type;
  if (stored.read) report.switchValue = stored.value;
}

Report Gather() {
  Report report;
  const HMODULE module = ThisModule();
  report.libraryPath = ModulePath(module);
  report.fileVersion = FileVersion(module);
  report.interfaceVersion =
      std::to_wstring(KXVM_API_VERSION_MAJOR) + L"." + std::to_wstring(KXVM_API_VERSION_MINOR);
  report.installation = ModuleFolder(KXEnvApp::kModuleName);
  SearchDataFolder(report);
  report.dataFolderInUse = KXEnvApp::DataPathInUse();
  SearchEureka(report);
  report.language = ChooseLanguage();
  ReadLogSwitch(report);
  if (report.dataFolder) report.logFile = *report.dataFolder + kLogFileName;
  return report;
}

const wchar_t* LanguageSource(LanguageChoice::Source source) {
  switch (source) {
    case LanguageChoice::Source::kSetting:
      return L"Language setting";
    case LanguageChoice::Source::kCadHostOption:
      return L"CAD host's Use English language option";
    case LanguageChoice::Source::kUserDefault:
      return L"user's default language";
    case LanguageChoice::Source::kNoSetting:
      break;
  }
  return L"no usable Language setting";
}

std::wstring Hex(DWORD value, int digits) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%0*lX", digits, static_cast<unsigned long>(value));
  return text;
}

// ------------------------------------------------------------------ JSON

class Json {
 public:
  std::wstring text;

  void Open(wchar_t bracket) {
    Separate();
    text += bracket;
    first_ = true;
  }
  void Close(wchar_t bracket) {
    text += bracket;
    first_ = false;
  }
  Json& Key(const wchar_t* name) {
    Separate();
    String(name);
    text += L':';
    first_ = true;  // the value needs no comma
    return *this;
  }
  void Value(const std::wstring& value) {
    Separate();
    String(value);
  }
  void Value(const std::optional<std::wstring>& value) {
    if (value)
      Value(*value);
    else
      Raw(L"null");
  }
  void Value(bool value) { Raw(value ? L"true" : L"false"); }
  void Value(DWORD value) { Raw(std::to_wstring(value)); }

 private:
  void Raw(const std::wstring& token) {
    Separate();
    text += token;
  }
  void Separate() {
    if (!first_) text += L',';
    first_ = false;
  }
  void String(const std::wstring& value) {
    text += L'"';
    const auto high = [](wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; };
    const auto low = [](wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; };
    for (std::size_t i = 0; i < value.size(); ++i) {
      const wchar_t c = value[i];
      // A surrogate without its partner is escaped, so that the report stays
      // valid UTF-16 and still says which code unit the registry held.
      const bool unpaired = (high(c) && !(i + 1 < value.size() && low(value[i + 1]))) ||
                            (low(c) && !(i > 0 && high(value[i - 1])));
      if (c == L'"' || c == L'\\') {
        text += L'\\';
        text += c;
      } else if (c < 0x20 || unpaired) {
        wchar_t escaped[8];
        std::swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(c));
        text += escaped;
      } else {
        text += c;
      }
    }
    text += L'"';
  }

  bool first_ = true;
};

void PlaceJson(Json& json, const Place& place) {
  json.Open(L'{');
  json.Key(L"source").Value(std::wstring(place.source));
  if (place.root) {
    json.Key(L"root").Value(std::wstring(RootName(place.root)));
    json.Key(L"key").Value(std::wstring(place.key));
    json.Key(L"value").Value(std::wstring(place.value));
  } else {
    json.Key(L"folder").Value(place.folder);
  }
  json.Key(L"status").Value(place.status);
  const bool read = place.read && place.read->status != FolderStatus::kKeyMissing &&
                    place.read->status != FolderStatus::kAccessDenied &&
                    place.read->status != FolderStatus::kValueMissing;
  json.Key(L"type").Value(read ? std::optional(TypeName(place.read->type)) : std::nullopt);
  json.Key(L"text").Value(read ? std::optional(place.read->text) : std::nullopt);
  json.Close(L'}');
}

std::wstring ToJson(const Report& r) {
  Json json;
  json.Open(L'{');
  json.Key(L"library").Open(L'{');
  json.Key(L"path").Value(r.libraryPath);
  json.Key(L"file_version").Value(r.fileVersion);
  json.Key(L"interface_version").Value(r.interfaceVersion);
  json.Close(L'}');
  json.Key(L"installation_folder").Value(r.installation);
  json.Key(L"data_folder").Open(L'{');
  json.Key(L"places").Open(L'[');
  for (const Place& place : r.dataPlaces) PlaceJson(json, place);
  json.Close(L']');
  json.Key(L"found").Value(r.dataFolder);
  json.Key(L"in_use").Value(r.dataFolderInUse);
  json.Close(L'}');
  json.Key(L"eureka").Open(L'{');
  json.Key(L"places").Open(L'[');
  for (const Place& place : r.eurekaPlaces) PlaceJson(json, place);
  json.Close(L']');
  json.Key(L"executable").Value(r.executable);
  json.Key(L"executable_present").Value(r.executablePresent);
  json.Close(L'}');
  json.Key(L"language").Open(L'{');
  json.Key(L"code").Value(r.language.code);
  json.Key(L"source").Value(std::wstring(LanguageSource(r.language.source)));
  json.Key(L"setting").Value(r.language.setting);
  json.Key(L"user_default_language")
      .Value(r.language.userDefault ? std::optional(Hex(*r.language.userDefault, 4))
                                    : std::nullopt);
  json.Close(L'}');
  json.Key(L"log").Open(L'{');
  json.Key(L"switch").Open(L'{');
  json.Key(L"root").Value(std::wstring(L"HKEY_CURRENT_USER"));
  json.Key(L"key").Value(std::wstring(kDebugKeyPath));
  json.Key(L"value").Value(std::wstring(kDebugValueName));
  json.Key(L"status").Value(r.switchStatus);
  json.Key(L"type").Value(r.switchType ? std::optional(TypeName(*r.switchType)) : std::nullopt);
  json.Key(L"number");
  if (r.switchValue)
    json.Value(*r.switchValue);
  else
    json.Value(std::optional<std::wstring>());
  json.Close(L'}');
  json.Key(L"file").Value(r.logFile);
  json.Close(L'}');
  json.Key(L"launch_would_start").Value(r.LaunchWouldStart());
  json.Close(L'}');
  return json.text;
}

// ------------------------------------------------------------------ text

std::wstring PlaceText(const Place& place) {
  std::wstring line = place.status;
  const bool read = place.read && place.read->status != FolderStatus::kKeyMissing &&
                    place.read->status != FolderStatus::kAccessDenied &&
                    place.read->status != FolderStatus::kValueMissing;
  if (read) line += L" (" + TypeName(place.read->type) + L")";
  if (read && !place.read->text.empty()) line += L": " + Visible(place.read->text);
  return line;
}

std::wstring ToText(const Report& r) {
  size_t width = 0;
  for (const auto* places : {&r.dataPlaces, &r.eurekaPlaces})
    for (const Place& place : *places) width = std::max(width, place.Name().size());
  auto row = [width](const std::wstring& name, const std::wstring& what) {
    return L"  " + name + std::wstring(width + 2 - std::min(width, name.size()), L' ') + what +
           L"\n";
  };
  std::wstring text = L"KXVirtualMachMgr " + r.fileVersion + L" (interface " + r.interfaceVersion +
                      L"): " + r.libraryPath + L"\n";
  text += L"Installation folder: " + r.installation + L"\n\nData folder, in search order\n";
  for (const Place& place : r.dataPlaces) text += row(place.Name(), PlaceText(place));
  text += row(L"data folder", Visible(r.dataFolder.value_or(L"none")));
  text +=
      row(L"in use in this process", r.dataFolderInUse.value_or(L"(the library has not started)"));
  text += L"\nEureka's folder, in search order\n";
  for (const Place& place : r.eurekaPlaces) text += row(place.Name(), PlaceText(place));
  text += row(L"Eureka.exe", Visible(r.executable) + (r.executablePresent ? L" (present)" : L" (missing)"));
  text += L"\nLanguage: " + r.language.code +
          (r.language.source == LanguageChoice::Source::kNoSetting ? L", the default: "
                                                                   : L", from the ") +
          LanguageSource(r.language.source);
  if (r.language.setting) text += L" (Language = \"" + Visible(*r.language.setting) + L"\")";
  if (r.language.userDefault) text += L" (" + Hex(*r.language.userDefault, 4) + L")";
  text += L"\nLog switch: HKEY_CURRENT_USER\\" + std::wstring(kDebugKeyPath) + L"\\" +
          kDebugValueName + L": " + r.switchStatus;
  if (r.switchType) text += L" (" + TypeName(*r.switchType) + L")";
  if (r.switchValue) text += L": " + std::to_wstring(*r.switchValue);
  text += L"\nLog file: " + Visible(r.logFile.value_or(L"none (no data folder)")) + L"\n\n";
  text += r.LaunchWouldStart()
              ? L"A launch would start Eureka.\n"
              : std::wstring(L"A launch would not start Eureka: ") +
                    (!r.dataFolder ? L"no data folder.\n" : L"Eureka.exe is missing.\n");
  return text;
}

}  // namespace

std::wstring SupportReport(bool json) {
  const Report report = Gather();
  return json ? ToJson(report) : ToText(report);
}

}  // namespace kx
