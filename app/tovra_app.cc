#include "app/tovra_app.h"

#include <string>

#include "app/installation_environment.h"
#include "devseries/platform/resource_file_writer.h"
#include "devseries/platform/resources.h"

using namespace devseries;

namespace {

// String-table ids of the file names and the folders, relative to the
// installation folder, each ending with a backslash.
constexpr platform::UINT IDS_HELP_FILE_NAME = 1;
constexpr platform::UINT IDS_DEVICE_SERIES_FILE_NAME = 13;
constexpr platform::UINT IDS_DEVICE_FOLDER = 146;
constexpr int IDR_DEVICE_SERIES = 139;

struct HelpPage {
  platform::UINT folderStringId;
  int htmlResourceId;
};

// In the order written. The resource ids do not follow the folders: Arabic
// takes 148, Russian 156 and Spanish 157.
constexpr HelpPage kHelpPages[] = {
    {3, 146},   // Japanese
    {4, 147},   // English
    {5, 149},   // Chinese_Simplified
    {6, 150},   // Chinese_Traditional
    {7, 151},   // French
    {8, 152},   // German
    {9, 153},   // Italian
    {10, 154},  // Korean
    {11, 155},  // Portuguese
    {12, 157},  // Spanish
    {15, 156},  // Russian
    {16, 158},  // Turkish
    {17, 148},  // Arabic
};

}  // namespace

platform::BOOL C_TOVRAApp::InitInstance() {
  CUserInfo userInfo;
  userInfo.ReadFromRegistry();
  CInstallerInfo installerInfo;
  installerInfo.ReadFromRegistry();
  // Empty when it was not read: every path is then relative to the current
  // folder. Paths are joined as they are, nothing inserted or removed.
  const std::string& installPath = installerInfo.m_strInstallPath;

  std::string fileName;
  std::string folder;
  std::string path;
  platform::LoadString(IDS_HELP_FILE_NAME, fileName);
  for (const HelpPage& page : kHelpPages) {
    platform::LoadString(page.folderStringId, folder);
    path = installPath + folder + fileName;
    UpdateFileFromHtmlResource(path.c_str(), page.htmlResourceId);
  }

  platform::LoadString(IDS_DEVICE_FOLDER, folder);
  platform::LoadString(IDS_DEVICE_SERIES_FILE_NAME, fileName);
  path = installPath + folder + fileName;
  UpdateFileFromBinResource(path.c_str(), IDR_DEVICE_SERIES);
  return platform::TRUE;
}
