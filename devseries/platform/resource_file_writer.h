// The resource file writer: copies one resource of the executable, byte for
// byte, into a file, replacing any file that is there, and reports the
// outcome as one debug-output line:
//
//   "[%02d] %s ( %d Bytes ) successfly updated!\r\n"   written
//   "[%02d] %s error: resource not found.\r\n"
//   "[%02d] %s error: resource data cannot loaded.\r\n"
//   "[%02d] %s error: resource size is zero.\r\n"
//   "[%02d] %s error: file cannot opened.\r\n"           not opened
//   "[%02d] error: %s file io failed.\r\n"               write failed
//
// with the writer's line number and the path exactly as given. Each writer
// counts its own calls, successful or not, and numbers its lines with that
// count, so HTML and BIN lines are numbered independently.
//
// The file is written through platform::FileReplacement: the bytes go to a
// temporary file beside the target, which takes the target's name, owner,
// group and permission bits only when every byte was written and flushed. A
// failed write removes the temporary file and leaves the previous file at
// the path as it was. A symbolic link is followed; a device, or a FIFO that
// has a reader, is written in place; a FIFO without one is refused at once.
// "file cannot opened" means nothing was written (the folder is missing or
// refuses new files, the path names a folder or a FIFO nobody reads, the
// target cannot be inspected or given its attributes). No folder is created.
#pragma once

#include "devseries/platform/file_system.h"
#include "devseries/platform/resources.h"

namespace devseries {

// Calls of each writer so far; 0 at start, never reset.
extern int g_nBinUpdateCount;
extern int g_nHtmlUpdateCount;

// Writes the resource of type "BIN" named `nResourceId` to `pszFilePath`.
// True only when the file was written completely.
bool UpdateFileFromBinResource(const char* pszFilePath,
                               const platform::ResourceId& nResourceId);

// Writes the RT_HTML resource named `nResourceId` to `pszFilePath`.
// True only when the file was written completely.
bool UpdateFileFromHtmlResource(const char* pszFilePath,
                                const platform::ResourceId& nResourceId);

// As UpdateFileFromBinResource, with the file opened as `options` say;
// `error` receives why the file was not written (kNotFound for a resource
// that is missing or cannot be loaded, kInvalid for an empty one), or kNone.
bool UpdateFileFromBinResource(const char* pszFilePath,
                               const platform::ResourceId& nResourceId,
                               const platform::ReplaceOptions& options,
                               platform::FileError* error);

}  // namespace devseries
