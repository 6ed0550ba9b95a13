#include "app/lrcfile.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// Closes a descriptor on scope exit unless released.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) noexcept
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    [[nodiscard]] int get() const noexcept { return m_fd; }
    /// Closes now and reports the result: some file systems report write errors only here.
    int close() noexcept
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path a chain of symbolic links at path leads to (path itself when it is no link, or when
// it does not exist). ELOOP after 40 links.
int resolveLinks(const std::string& path, std::string& target)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st { };
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return 0;
        std::string link(st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0)
            return errno;
        link.resize(static_cast<std::size_t>(n));
        if (!link.empty() && link.front() != '/') {
            const std::string folder = folderOf(target);
            link = (folder == "/" ? std::string() : folder) + "/" + link;
        }
        target = std::move(link);
    }
    return ELOOP;
}

int writeAll(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

mode_t newFileMode()
{
    // The only way to read the umask is to set it; put it straight back.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

int lrcReadWholeFile(const std::string& path, std::string& bytes)
{
    bytes.clear();
    // Non-blocking, so that opening a FIFO without a writer returns at once instead of hanging;
    // it is refused below like every other file that is not a regular one.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return errno;
    struct stat st { };
    if (::fstat(fd.get(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    // A FIFO, socket or device (/dev/zero) may never end: not a lyric file.
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (S_ISREG(st.st_mode) && st.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            bytes.clear();
            return error;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return 0;
}

int lrcReplaceFile(const std::string& path, std::string_view bytes)
{
    if (path.empty())
        return ENOENT;
    std::string target;
    if (const int error = resolveLinks(path, target))
        return error;

    struct stat old { };
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return EISDIR;
    // Never put a regular file in the place of a FIFO, socket or device.
    if (exists && !S_ISREG(old.st_mode))
        return EINVAL;
    // A file the user may not write stays as it is, as opening it for writing would fail: the
    // rename below needs only the folder's permission and would replace a read-only file.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;

    const std::string folder = folderOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // A hidden name beside the target, so a crash leaves at worst a stray ".name.XXXXXX".
    std::string temp = (folder == "/" ? std::string() : folder) + "/." + name + ".XXXXXX";
    int fdValue = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fdValue < 0 && errno == ENAMETOOLONG) {
        temp = (folder == "/" ? std::string() : folder) + "/.lrcXXXXXX";
        fdValue = ::mkostemp(temp.data(), O_CLOEXEC);
    }
    if (fdValue < 0)
        return errno;
    FileDescriptor fd(fdValue);

    auto fail = [&](int error) {
        if (fd.get() >= 0)
            fd.close();
        ::unlink(temp.c_str());
        return error;
    };

    if (exists) {
        // Owner first: changing it may clear the set-id bits that fchmod then restores.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            if (::fchown(fd.get(), old.st_uid, old.st_gid) != 0) {
                // Not allowed for an ordinary user; the file then belongs to whoever saved it.
            }
        }
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0)
            return fail(errno);
    } else if (::fchmod(fd.get(), newFileMode()) != 0) {
        return fail(errno);
    }

    if (const int error = writeAll(fd.get(), bytes))
        return fail(error);
    if (::fsync(fd.get()) != 0)
        return fail(errno);
    if (const int error = fd.close())
        return fail(error);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(errno);

    // The rename itself must reach the disk too; failing that is no reason to report failure,
    // the new content is in place either way.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return 0;
}

std::string lrcErrorText(int error) { return std::generic_category().message(error); }
