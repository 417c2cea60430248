// DomDocument::Save streams the serializer's output into a file
// replacement: the file holds exactly what ToXml gives, written in pieces;
// a write failing part way raises XML_E_FILEIO and keeps the previous file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devseries/platform/dom.h"
#include "devseries/platform/file_system.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/temp_dir.h"

namespace devseries::platform {

using namespace ::devseries;
namespace {

using tovra::testing::FaultFileSystem;
using tovra::testing::FsCall;
using tovra::testing::ReadFileBytes;
using tovra::testing::ScopedTempDir;
using tovra::testing::WriteFileBytes;

TEST(DomSaveTest, StreamsWhatToXmlGivesOrKeepsThePreviousFile) {
  DomDocument document;
  document.AppendChild(document.CreateProcessingInstruction(
      "xml", "version='1.0' encoding='UTF-8'"));
  DomNode root = document.AppendChild(document.CreateElement("Root"));
  for (int i = 0; i < 5000; ++i) {
    root.AppendChild(document.CreateElement("Item"))
        .SetText("caf\xC3\xA9 & <b> \xE6\x97\xA5");
  }
  const std::string text = document.ToXml();
  ScopedTempDir dir;
  const std::string path = dir.File("out.xml");
  WriteFileBytes(path, "previous");

  FaultFileSystem full;
  full.SetDiskSpace(text.size() / 2);
  try {
    ScopedFileSystem scoped(&full);
    document.Save(path);
    ADD_FAILURE() << "saved on a full disk";
  } catch (const _com_error& error) {
    EXPECT_EQ(error.Error(), XML_E_FILEIO);
    EXPECT_EQ(error.Description(),
              path + ": " + FileErrorText(FileError::kNoSpace));
  }
  EXPECT_EQ(ReadFileBytes(path), "previous");
  EXPECT_EQ(tovra::testing::ListFolder(dir.path()),
            std::vector<std::string>{"out.xml"});

  FaultFileSystem fs;
  {
    ScopedFileSystem scoped(&fs);
    document.Save(path);
  }
  EXPECT_EQ(ReadFileBytes(path), text);
  EXPECT_GT(fs.CallCount(FsCall::kWrite), 1u);
  // The declaration node is back in place: the document saves the same.
  EXPECT_EQ(document.ToXml(), text);
}

}  // namespace
}  // namespace devseries::platform
