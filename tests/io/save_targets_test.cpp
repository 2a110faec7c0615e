// What a save does to what its name stands for: devices and pipes are
// written into and stay what they are, block devices, sockets and folders
// are refused, several files change together or not at all, and a save
// ended by a signal or whose folder moved leaves no temporary file.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <future>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include "io/atomic_file.h"
#include "io/picture_files.h"
#include "io_test_util.h"

using namespace jollix;
using namespace jollix::test;
using jollix::io_detail::FileWrites;
using jollix::io_detail::writeFileAtomically;

namespace {

struct NodeIdentity {
    mode_t type;
    dev_t device;
    ino_t inode;
    dev_t rdev;
    bool operator==(const NodeIdentity&) const = default;
};

std::optional<NodeIdentity> identityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return NodeIdentity{mode_t(st.st_mode & S_IFMT), st.st_dev, st.st_ino, st.st_rdev};
}

// Reads a pipe to its end on another thread.
std::future<std::string> readPipe(const std::string& path) {
    return std::async(std::launch::async, [path] {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        std::string got;
        if (fd < 0) return got;
        char buffer[65536];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) got.append(buffer, size_t(n));
        ::close(fd);
        return got;
    });
}

}  // namespace

TEST(SaveTargets, DevicesAndPipesAreWrittenIntoAndStayWhatTheyAre) {
    const Picture p = samplePicture(40, 30);
    const std::string bmp = encodeBmp(p);
    struct Case {
        const char* what;
        bool fifo;           // a named pipe, read by another thread, instead of a device
        std::string device;  // an existing device
        bool mknodNull;      // a node made with mknod (only as root)
        int links;           // symbolic links in front of it
    };
    const Case cases[] = {
        {"/dev/null through a link", false, "/dev/null", false, 1},
        {"/dev/null through two links", false, "/dev/null", false, 2},
        {"a null device made with mknod", false, "", true, 0},
        {"a null device made with mknod, through a link", false, "", true, 1},
        {"a pipe", true, "", false, 0},
        {"a pipe through a link", true, "", false, 1},
        {"a pipe through two links", true, "", false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.mknodNull && ::geteuid() != 0) continue;
        TempDir dir;
        std::string node = c.device;
        if (c.fifo) {
            node = dir / "pipe.bmp";
            ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
        } else if (c.mknodNull) {
            node = dir / "null.bmp";
            ASSERT_EQ(::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
        }
        std::string name = node;
        for (int i = 0; i < c.links; ++i) {
            const std::string link = dir / ("link" + std::to_string(i) + ".bmp");
            ASSERT_EQ(::symlink(name.c_str(), link.c_str()), 0);
            name = link;
        }
        const auto before = identityOf(node);
        ASSERT_TRUE(before);
        std::future<std::string> reader;
        if (c.fifo) reader = readPipe(node);
        savePictureFile(p, name, SaveFormat::Bmp);
        if (c.fifo) {
            EXPECT_EQ(reader.get(), bmp) << "the reader gets the whole picture";
        }
        EXPECT_EQ(identityOf(node), before) << "still the same node";
        EXPECT_TRUE(c.fifo ? S_ISFIFO(before->type) : S_ISCHR(before->type));
        if (c.links > 0) {
            EXPECT_TRUE(std::filesystem::is_symlink(name));
        }
        // Nothing else appeared beside the node or the links.
        EXPECT_EQ(dir.entries(), size_t(c.links + (c.device.empty() ? 1 : 0)));
    }
}

TEST(SaveTargets, BlockDevicesSocketsAndFoldersAreRefused) {
    const Picture p = samplePicture(20, 10);
    struct Case {
        const char* what;
        const char* reason;
        bool link;
    };
    const Case cases[] = {
        {"folder", "it is a folder", false},
        {"folder", "it is a folder", true},
        {"socket", "it is a socket", false},
        {"socket", "it is a socket", true},
        {"block device", "it is a block device", false},
        {"block device", "it is a block device", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (c.link ? " through a link" : ""));
        TempDir dir;
        const std::string node = dir / "target.bmp";
        const std::string what = c.what;
        int socketFd = -1;
        if (what == "folder") {
            ASSERT_EQ(::mkdir(node.c_str(), 0755), 0);
        } else if (what == "socket") {
            socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, node.c_str(), sizeof address.sun_path - 1);
            ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        } else {
            if (::geteuid() != 0) continue;  // mknod of a block device needs root
            ASSERT_EQ(::mknod(node.c_str(), S_IFBLK | 0600, ::makedev(7, 250)), 0);
        }
        std::string name = node;
        if (c.link) {
            name = dir / "link.bmp";
            ASSERT_EQ(::symlink(node.c_str(), name.c_str()), 0);
        }
        const auto before = identityOf(node);
        const std::string e = errorOf([&] { savePictureFile(p, name, SaveFormat::Bmp); });
        EXPECT_NE(e.find("Cannot write the file " + node + ": " + c.reason), std::string::npos) << e;
        EXPECT_EQ(identityOf(node), before);
        EXPECT_EQ(dir.entries(), c.link ? 2u : 1u) << "no temporary file";
        if (socketFd >= 0) ::close(socketFd);
    }
}

TEST(SaveTargets, AFullDeviceFailsAndStaysADevice) {
    TempDir dir;
    ASSERT_EQ(::symlink("/dev/full", (dir / "full.bmp").c_str()), 0);
    const auto before = identityOf("/dev/full");
    ASSERT_TRUE(before && S_ISCHR(before->type));
    const std::string e = errorOf([&] { savePictureFile(samplePicture(30, 30), dir / "full.bmp", SaveFormat::Bmp); });
    EXPECT_NE(e.find("Cannot write the file /dev/full: the disc is full"), std::string::npos) << e;
    EXPECT_EQ(identityOf("/dev/full"), before);
}

TEST(SaveTargets, SeveralFilesChangeTogetherOrNotAtAll) {
    TempDir dir;
    writeBytes(dir / "a.bin", "old a");
    writeBytes(dir / "b.bin", "old b");
    {
        // The second cannot be written: neither changes.
        FileWrites writes;
        writes.add(dir / "a.bin", "new a");
        EXPECT_NE(errorOf([&] { writes.add(dir / "no/such/b.bin", "new b"); }).find("Cannot write the file"),
                  std::string::npos);
    }
    EXPECT_EQ(readBytes(dir / "a.bin"), "old a");
    EXPECT_EQ(dir.entries(), 2u) << "the first one's temporary file is removed";
    {
        // A pipe that fails (no reader left) keeps the files from changing.
        ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
        std::future<void> closer = std::async(std::launch::async, [&] {
            const int fd = ::open((dir / "pipe").c_str(), O_RDONLY);
            ::close(fd);
        });
        FileWrites writes;
        writes.add(dir / "a.bin", "new a");
        writes.add(dir / "pipe", std::string(1 << 20, 'x'));
        closer.get();
        const std::string e = errorOf([&] { writes.commit(); });
        EXPECT_NE(e.find("the program reading the pipe closed it"), std::string::npos) << e;
    }
    EXPECT_EQ(readBytes(dir / "a.bin"), "old a");
    EXPECT_EQ(dir.entries(), 3u);
    {
        FileWrites writes;
        writes.add(dir / "a.bin", "new a");
        writes.add(dir / "b.bin", "new b");
        EXPECT_EQ(readBytes(dir / "a.bin"), "old a") << "nothing changes before the commit";
        writes.commit();
    }
    EXPECT_EQ(readBytes(dir / "a.bin"), "new a");
    EXPECT_EQ(readBytes(dir / "b.bin"), "new b");
    EXPECT_EQ(dir.entries(), 3u);
}

TEST(SaveTargets, AFolderMovedDuringTheSaveKeepsNoTemporaryFile) {
    TempDir dir;
    std::filesystem::create_directory(dir / "photos");
    writeBytes(dir / "photos/x.bmp", "old");
    {
        FileWrites writes;
        writes.add(dir / "photos/x.bmp", "new");
        ASSERT_EQ(::rename((dir / "photos").c_str(), (dir / "moved").c_str()), 0);
        const std::string e = errorOf([&] { writes.commit(); });
        EXPECT_NE(e.find("its folder was moved or removed while it was written"), std::string::npos) << e;
    }
    EXPECT_EQ(readBytes(dir / "moved/x.bmp"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "moved"), {}), 1)
        << "the temporary file is removed where the folder now is";
}

// A save ended by SIGINT, SIGTERM or SIGHUP while its temporary file is
// being written: a child process prepares the file, says so, and waits to
// be ended.
TEST(SaveTargets, ASaveEndedByASignalLeavesNoTemporaryFile) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        TempDir dir;
        std::filesystem::create_directory(dir / "photos");
        writeBytes(dir / "photos/x.bmp", "old bytes");
        writeBytes(dir / "y.bmp", "old y");
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            FileWrites writes;
            writes.add(dir / "photos/x.bmp", std::string(1 << 20, 'n'));
            writes.add(dir / "y.bmp", "new y");
            // The folder moves too: its temporary file is removed where it now is.
            ::rename((dir / "photos").c_str(), (dir / "moved").c_str());
            (void)!::write(ready[1], "r", 1);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "moved"), {}), 2) << "mid-save";
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "ended by the signal itself";
        EXPECT_EQ(readBytes(dir / "moved/x.bmp"), "old bytes");
        EXPECT_EQ(readBytes(dir / "y.bmp"), "old y");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "moved"), {}), 1);
        EXPECT_EQ(dir.entries(), 2u);
    }
}

TEST(SaveTargets, ReplacedFilesKeepTheirPermissionsAndNewOnesFollowTheUmask) {
    TempDir dir;
    writeBytes(dir / "kept.bin", "old");
    ::chmod((dir / "kept.bin").c_str(), 0604);
    const mode_t mask = ::umask(027);
    writeFileAtomically(dir / "kept.bin", "new");
    writeFileAtomically(dir / "fresh.bin", "new");
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "kept.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    ASSERT_EQ(::stat((dir / "fresh.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(SaveTargets, OddNamesAreWrittenWithoutLeftovers) {
    std::string accented;
    for (int i = 0; i < 125; ++i) accented += "\xC3\xA9";  // é, 250 bytes
    const std::string names[] = {
        std::string(251, 'a') + ".bmp",  // the longest name a folder takes
        accented + ".bmp",               // its temporary name cut between characters
        "line\nbreak.bmp",
        "-starts with a dash.bmp",
        " spaces .bmp",
        ".hidden",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        TempDir dir;
        writeFileAtomically(dir / name, "first");
        writeFileAtomically(dir / name, "second");
        EXPECT_EQ(readBytes(dir / name), "second");
        EXPECT_EQ(dir.entries(), 1u);
    }
}
