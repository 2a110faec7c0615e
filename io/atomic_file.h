#pragma once
// Writing files so that a failure never destroys what was there.
//
// What a name stands for decides how it is written (symbolic links are
// followed to what the last one points to; the links stay links):
// - a regular file, or a name not there yet: the bytes go to a temporary
//   file in the target's folder (hidden, its name within the file system's
//   limit however long the target's), which is flushed to disk and renamed
//   over the target only once it is complete; the folder is flushed after
//   the rename. An existing file keeps its permissions.
// - a character device or a named pipe (a terminal, /dev/null, a pipe
//   another program reads): the bytes are written into it as a stream. It
//   is never replaced by a file.
// - a block device, a socket or a folder: refused, nothing is written.
//
// Several files can be written as one (FileWrites): every temporary file is
// complete before any target changes, so a failure in any of them leaves
// all of them as they were. A write past the process's file-size limit
// fails with "file too large" instead of ending the process. On any failure
// the temporary files are removed and a JollixError names the file and the
// reason.
//
// SIGINT, SIGTERM and SIGHUP (unless the program ignores them or handles
// them itself) arriving while temporary files exist remove those files, from
// the folder they are in even when that folder was moved meanwhile, and
// then end the program as the signal would have. A signal arriving while
// the temporary files are being renamed into place waits until all of them
// are in place.
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace jollix::io_detail {

// A set of files written together: add() prepares each (a complete,
// flushed temporary file; a device or pipe opened), commit() writes the
// devices and pipes and then puts every file in place. Destroyed without
// commit(), or after a failed one, it removes every temporary file it made
// and no target changes. add() may be called from several threads at once.
class FileWrites {
public:
    FileWrites();
    ~FileWrites();
    FileWrites(const FileWrites&) = delete;
    FileWrites& operator=(const FileWrites&) = delete;

    // Prepares `name` to receive `bytes` (kept, for a device or a pipe, until
    // commit() writes them). Throws JollixError naming the file and the
    // reason.
    void add(const std::string& name, std::string_view bytes);

    // Writes the devices and pipes (in the order added), then renames every
    // temporary file over its target. Throws JollixError when a device,
    // a pipe or a rename fails; the temporary files not yet renamed are
    // then removed.
    void commit();

    struct Entry;

private:
    int folderHandle(const std::string& folder, const std::string& path);

    std::mutex mutex_;
    std::vector<std::unique_ptr<Entry>> entries_;
    std::vector<std::pair<std::string, int>> folders_;  // open folder handles, shared by entries
};

// One file written on its own, as FileWrites does.
void writeFileAtomically(const std::string& path, std::string_view bytes);

// Runs an encoder for the file at path, naming the file in its error.
template <class Encode>
std::string encodeFor(const std::string& path, Encode encode) {
    try {
        return encode();
    } catch (const JollixError& e) {
        throw JollixError("Cannot save the picture " + path + ": " + e.what() + ".");
    }
}

}  // namespace jollix::io_detail
