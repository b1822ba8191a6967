// File handling behind the project document's saves: the change-only, all-or-nothing
// replacement of a project file and the capture and restore of its attributes and times.
#pragma once

#include <functional>

#include "platform/FileSystem.h"
#include "platform/Types.h"

namespace Vorlane {

class TStream;

// What a silent save puts back on a rewritten file.
struct TProjFileStamp {
  Integer Attributes = faInvalid;
  TFileTimes Times;
  bool HasTimes = false;
};

// The attributes and times of an existing file.
TProjFileStamp ProjFileGetStamp(const UnicodeString& AFileName);
// Sets back what ProjFileGetStamp read: the attributes, then the creation, last-write and
// last-access times (the creation time only where the system lets it be set).
void ProjFileSetStamp(const UnicodeString& AFileName, const TProjFileStamp& AStamp);

// Gives AFileName exactly the ACount bytes at AData. The bytes go to a new file in the same
// folder (created exclusively, owner-only until complete, removed by an interrupt), which is
// flushed to the disk, given the old file's owner, group and access rights and then moved
// over AFileName, so the file is either the old one or the complete new one. A file with more
// than one name, or whose owner or group cannot be given to a new file, is rewritten in place
// instead, from the complete new file, with a flushed backup of the old content beside it
// (ProjFileBackupName) until the new content is flushed; a folder that takes no backup refuses
// that rewrite. On failure the temporary file is removed and the error passes on. An existing
// file marked read-only raises EFCreateError and stays as it is, and so does one with a
// backup left beside it (ProjFileCheckNoBackup).
void ProjFileReplaceContent(const UnicodeString& AFileName, const void* AData, Int64 ACount);

// Gives AFileName the bytes ARender writes to the stream it is handed, when they differ from
// the file's. A rendering of up to 256 KiB is held until it is complete; when its size is not
// the file's, none of the file is read. A longer one is compared with the file block by block
// as it is produced, and only from the first difference on does it go to a new file; beyond
// those 256 KiB the rendering is never held in memory. The new file replaces AFileName as
// ProjFileReplaceContent does. An existing file is opened before ARender runs, so one that
// cannot be read raises at once. ARender may be called a second time, from the start, when the
// file changed under the comparison. True when the file was written; false when it already
// held exactly these bytes (and was not touched). A failing ARender leaves the file as it was
// and no temporary file behind. A backup left beside the file raises before anything else.
bool ProjFileSaveContent(const UnicodeString& AFileName, const std::function<void(TStream&)>& ARender);

// The backup an in-place rewrite keeps of AFileName's old content: "<name>.vorlane-backup"
// beside the file (beside the file a symbolic link names).
UnicodeString ProjFileBackupName(const UnicodeString& AFileName);
// A backup that is still there comes from a rewrite that never ended, so AFileName may hold
// a mix of two contents: raises EInOutError naming both files, for the user to settle.
void ProjFileCheckNoBackup(const UnicodeString& AFileName);

// Test seam: when set, called with the file's name when a save finds the first difference,
// before it copies the agreeing part of the old file into the new one.
extern void (*ProjFileOnFirstDifference)(const UnicodeString& AFileName);

// Test seam: when set, called with the temporary file's name once the new content is complete
// in it, before it takes the old file's rights and place (where an interrupted run stops).
extern void (*ProjFileOnTemporaryComplete)(const UnicodeString& ATempName);

}  // namespace Vorlane
