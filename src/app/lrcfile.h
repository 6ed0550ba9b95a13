// Whole-file reading and crash-safe replacing of files, for the lyric document.
//
// Paths are file-system paths as bytes (UTF-8 on this platform). Errors are errno values;
// lrcErrorText() gives the system's text for one.
#pragma once

#include <string>
#include <string_view>

/// Reads the whole file at path into bytes. Returns 0, or the errno of the failure (EISDIR for
/// a directory, EINVAL for anything else that is not a regular file: a FIFO, socket or device,
/// which might block or never end); bytes is then empty.
int lrcReadWholeFile(const std::string& path, std::string& bytes);

/// Replaces the file at path with bytes so that, whatever happens meanwhile (a crash, a kill, a
/// full disk), the file holds either its old content or the new one:
///  1. a symbolic link at path is followed (link to link too); the file it leads to is replaced
///     and the link stays a link;
///  2. the bytes go to a new temporary file in that file's folder, are flushed to disk, and the
///     temporary file takes the old file's permission bits (and owner, where allowed); a new
///     file gets 0666 less the process's umask;
///  3. the temporary file is renamed over the target, and the folder is flushed.
/// An existing target that is no regular file (EINVAL) or that the process may not write
/// (EACCES, EROFS: a read-only file, although the rename would only need the folder's
/// permission) is left alone.
/// Returns 0, or the errno of the first step that failed; on failure no temporary file is left
/// and the old file is untouched. A hard-linked file loses its other names' link.
int lrcReplaceFile(const std::string& path, std::string_view bytes);

/// The system's text for an errno value, e.g. "No space left on device".
[[nodiscard]] std::string lrcErrorText(int error);
