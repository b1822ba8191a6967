// Windows side of replacing a file. The replacing move keeps the file's attributes through
// CopyFileAccess. Owners, link counts, space reservation, folder flushing and interrupt
// clean-up have nothing to do here: every file reports one name and a kept owner, so the
// in-place rewrite that needs them never runs.
#include "platform/FileSystem.h"
#include "platform/OsBackend.h"

namespace Vorlane {

Integer FileLinkCount(const UnicodeString& AFileName) { return FileExists(AFileName) ? 1 : 0; }

bool CopyFileOwner(const UnicodeString&, const UnicodeString&) { return true; }

bool SetDefaultFileAccess(const UnicodeString&) { return true; }

bool FlushFolderToDisk(const UnicodeString&) { return true; }

int AddPendingFile(const UnicodeString&) { return -1; }

void RemovePendingFile(int) {}

TInterruptHold::TInterruptHold() = default;

TInterruptHold::~TInterruptHold() = default;

namespace OsBackend {

int ReserveFileSpace(intptr_t, Int64) { return 0; }

}  // namespace OsBackend

}  // namespace Vorlane
