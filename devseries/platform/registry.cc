#include "devseries/platform/registry.h"

#include <cstring>
#include <utility>

namespace devseries::platform {

// An open key: where it is and the access mask it was opened with.
struct HKEY__ {
  RegistryRoot root;
  std::string path;  // normalised: lower case, no empty components
  REGSAM samDesired;
  bool predefined;
};

namespace {

HKEY__ g_localMachine{RegistryRoot::kLocalMachine, {}, KEY_READ, true};
HKEY__ g_currentUser{RegistryRoot::kCurrentUser, {}, KEY_READ, true};

}  // namespace

HKEY const HKEY_LOCAL_MACHINE = &g_localMachine;
HKEY const HKEY_CURRENT_USER = &g_currentUser;

bool InMemoryRegistry::OpenKey(RegistryRoot root, const std::string& path,
                               REGSAM samDesired) {
  bool found = file_.HasKey(root, path);
  opens_.push_back(Open{root, path, samDesired, found});
  return found;
}

const RegistryValue* InMemoryRegistry::FindValue(RegistryRoot root,
                                                 const std::string& path,
                                                 const std::string& name,
                                                 REGSAM /*samDesired*/) {
  return file_.FindValue(root, path, name);
}

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD /*options*/,
                   REGSAM samDesired, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  std::string path = key->path;
  if (subKey != nullptr && *subKey != '\0') {
    path = NormaliseRegistryKeyPath(path + '\\' + subKey);
  }
  if (!Seam<RegistryService>::Current()->OpenKey(key->root, path, samDesired)) {
    return ERROR_FILE_NOT_FOUND;
  }
  *result = new HKEY__{key->root, std::move(path), samDesired, false};
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved,
                      DWORD* type, BYTE* data, DWORD* cbData) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (reserved != nullptr || (data != nullptr && cbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  if ((key->samDesired & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  const RegistryValue* value = Seam<RegistryService>::Current()->FindValue(
      key->root, key->path, valueName != nullptr ? valueName : "",
      key->samDesired);
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = value->type;
  DWORD size = static_cast<DWORD>(value->data.size());
  if (cbData == nullptr) return ERROR_SUCCESS;
  if (data != nullptr && *cbData < size) {
    *cbData = size;
    return ERROR_MORE_DATA;
  }
  if (data != nullptr) std::memcpy(data, value->data.data(), size);
  *cbData = size;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (key == nullptr) return ERROR_INVALID_HANDLE;
  if (!key->predefined) delete key;
  return ERROR_SUCCESS;
}

REGSAM RegistryKeyAccessMask(HKEY key) {
  return key != nullptr ? key->samDesired : 0;
}

}  // namespace devseries::platform
