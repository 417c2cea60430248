// The product's installation as the registry describes it: which hive holds
// the product, the installer record (installation folder, company and user
// name) and the user record (language, model, ink configuration).
//
// Keys, relative to the hive the probe chooses:
//   Software\Vintrell\Ostrivane             (only its presence counts)
//   Software\Vintrell\Ostrivane\Installer   CompanyName, InstallPath, UserName
//   Software\Vintrell\Ostrivane\User        InkConfig, Language, Model
// Values are read in the order listed.
// Only reads; nothing is written or created.
#pragma once

#include <string>

// Hive codes of m_nRegistryRoot.
inline constexpr int kRegistryRootNone = 0;
inline constexpr int kRegistryRootCurrentUser = 1;
inline constexpr int kRegistryRootLocalMachine = 2;

// Whether this is a 32-bit process on 64-bit Windows. Returns false when the
// platform cannot tell (no "IsWow64Process", or the call fails) and leaves
// `bWow64` alone; on true `bWow64` holds the answer.
bool IsWow64(bool& bWow64);

// The installer record. Its values must be REG_SZ strings.
class CInstallerInfo {
 public:
  // Finds the hive holding the product key: 2 (local machine, which wins
  // when both hold it), 1 (current user) or 0 (neither).
  int QueryRegistryRoot();
  // Reads CompanyName, InstallPath and UserName in that order from the
  // Installer key of the probed hive; there is no fallback to the other
  // hive. Stops at the first value that is missing, not REG_SZ, or 1024
  // bytes or longer; fields read before keep their new text, the rest keep
  // theirs. True only when all three were read.
  bool ReadFromRegistry();

  int m_nRegistryRoot = kRegistryRootNone;
  std::string m_strCompanyName;
  // Exactly as stored: the update run appends folder names to it directly,
  // so it is right only when it ends with a separator.
  std::string m_strInstallPath;
  std::string m_strUserName;
};

// The user record. Its values may have any type; their bytes are taken as
// text up to the first zero byte.
class CUserInfo {
 public:
  // The same probe as CInstallerInfo::QueryRegistryRoot.
  int QueryRegistryRoot();
  // Reads InkConfig, Language and Model in that order from the User key,
  // with the rules of CInstallerInfo::ReadFromRegistry except the type.
  bool ReadFromRegistry();

  int m_nRegistryRoot = kRegistryRootNone;
  std::string m_strLanguage;
  std::string m_strModel;
  std::string m_strInkConfig;
};
