// SPDX-License-Identifier: MIT

#include "StorageTestKit.h"
#include "storage/Storage.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <optional>

using kit::Node;
namespace fs = std::filesystem;

namespace {

// How the file to be written is set up before the write.
enum class Setup { NewFile, Existing, OwnedBySomebodyElse, SymbolicLink, DanglingLink, LinkToLink };

} // namespace

Q_DECLARE_METATYPE(Setup)

class tst_FileWrite : public QObject {
    Q_OBJECT
    std::optional<QTemporaryDir> dir_;
    fs::path folder_, path_; // a new folder for each test, and Commands.hlp in it

private slots:
    void init()
    {
        dir_.emplace();
        folder_ = dir_->path().toStdString();
        path_ = folder_ / "Commands.hlp";
    }

    // Nothing but a regular file is written: the thing there stays as it was, and a FIFO
    // without a reader does not hold the write up.
    void refusesWhatIsNoRegularFile_data()
    {
        QTest::addColumn<Node>("node");
        QTest::addColumn<bool>("viaLink");
        for (const Node node : kit::kNodes) {
            QTest::addRow("%s", kit::kindOf(node)) << node << false;
            QTest::addRow("%s through a link", kit::kindOf(node)) << node << true;
        }
    }
    void refusesWhatIsNoRegularFile()
    {
        QFETCH(Node, node);
        QFETCH(bool, viaLink);
        const fs::path thing = folder_ / "thing";
        if (const std::string why = kit::make(node, thing); !why.empty())
            QSKIP(why.c_str());
        if (viaLink)
            fs::create_symlink("thing", path_);
        const struct stat before = kit::lstatOf(thing);
        const QStringList names = kit::namesIn(folder_);

        const storage::WriteResult r = storage::writeFile(viaLink ? path_ : thing, "#Help\r\n");
        QCOMPARE(r.error, storage::WriteError::NotRegularFile);
        QVERIFY(!r.fileChanged);
        QVERIFY2(r.message.ends_with(std::string(kit::kindOf(node)) +
                                     ", not a regular file; nothing was written"),
                 r.message.c_str());
        const struct stat after = kit::lstatOf(thing);
        QVERIFY(std::tie(after.st_mode, after.st_rdev, after.st_ino, after.st_size) ==
                std::tie(before.st_mode, before.st_rdev, before.st_ino, before.st_size));
        QCOMPARE(kit::namesIn(folder_), names);
        QVERIFY(!viaLink || fs::is_symlink(path_));
    }

    // A regular file is written whole and stays what it was; a new one gets the usual mode.
    void keepsWhatTheFileWas_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("mode");
        QTest::newRow("new file") << Setup::NewFile << 0640; // written under umask 027
        QTest::newRow("mode 0754") << Setup::Existing << 0754;
        QTest::newRow("owner and group of somebody else") << Setup::OwnedBySomebodyElse << 0664;
        QTest::newRow("symbolic link") << Setup::SymbolicLink << 0644;
        QTest::newRow("dangling symbolic link") << Setup::DanglingLink << 0640;
        QTest::newRow("link to a link in another folder") << Setup::LinkToLink << 0644;
    }
    void keepsWhatTheFileWas()
    {
        QFETCH(Setup, setup);
        QFETCH(int, mode);
        fs::path file = path_; // where the bytes end up
        if (setup == Setup::SymbolicLink || setup == Setup::DanglingLink) {
            file = folder_ / "target.hlp";
            fs::create_symlink("target.hlp", path_);
        } else if (setup == Setup::LinkToLink) {
            fs::create_directory(folder_ / "sub");
            file = folder_ / "sub" / "real.hlp";
            fs::create_symlink("real.hlp", folder_ / "sub" / "inner");
            fs::create_symlink("sub/inner", path_);
        }
        const bool existed = setup != Setup::NewFile && setup != Setup::DanglingLink;
        if (existed) {
            kit::put(file, std::string(5000, 'o'));
            ::chmod(file.c_str(), mode_t(mode));
        }
        if (setup == Setup::OwnedBySomebodyElse &&
            ::chown(file.c_str(), kit::kNobody, kit::kNobody))
            QSKIP("giving a file to another owner needs root");
        const struct stat before = kit::lstatOf(file);
        const QStringList names = kit::namesIn(folder_);
        const mode_t oldMask = ::umask(027);

        const storage::WriteResult r = storage::writeFile(path_, "#Help\r\nnew\r\n");
        ::umask(oldMask);
        QVERIFY2(r.ok(), r.message.c_str());
        QCOMPARE(kit::contents(path_), std::string("#Help\r\nnew\r\n"));
        const struct stat after = kit::lstatOf(file);
        QCOMPARE(int(after.st_mode & 07777), mode);
        QVERIFY(!existed || (after.st_uid == before.st_uid && after.st_gid == before.st_gid));
        QCOMPARE(fs::is_symlink(path_), file != path_);
        QCOMPARE(kit::namesIn(folder_),
                 names + (existed ? QStringList{}
                                  : QStringList{QString::fromStdString(file.filename())}));
    }

    // Random old and new sizes, beside the chunk size and across it, replaced whole or, when
    // hard-linked, written in place: the file holds the new bytes exactly, under every name.
    void anySizeOverAnySize()
    {
        QRandomGenerator random(1234);
        const fs::path path = folder_ / "f", other = folder_ / "g";
        const int sizes[] = {0, 1, 4095, 4096, 65536, 65537, 300000};
        auto randomBytes = [&] {
            std::string bytes(std::size_t(random.bounded(3) == 0 ? sizes[random.bounded(7)]
                                                                 : random.bounded(200000)),
                              '\0');
            std::generate(bytes.begin(), bytes.end(), [&] { return char(random.generate()); });
            return bytes;
        };
        for (int round = 0; round < 60; ++round) {
            const bool linked = round % 2 == 1;
            kit::put(path, randomBytes());
            if (linked)
                fs::create_hard_link(path, other);
            const ino_t inode = kit::lstatOf(path).st_ino;
            const std::string bytes = randomBytes();
            const storage::WriteResult r = storage::writeFile(path, bytes);
            QVERIFY2(r.ok(), r.message.c_str());
            QVERIFY(kit::contents(path) == bytes);
            QCOMPARE(kit::lstatOf(path).st_ino == inode, linked);
            QVERIFY(!linked || (kit::contents(other) == bytes && fs::remove(other)));
            QCOMPARE(kit::namesIn(folder_), QStringList{"f"});
        }
    }

    // As an ordinary user (a child with uid and gid 65534 when the test runs as root): where a
    // new file cannot take the old one's place, the old one is written in place.
    void writesInPlaceWhereNoNewFileCanStand_data()
    {
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<bool>("groupOfOthers");
        QTest::addColumn<bool>("fileWritable");
        QTest::newRow("folder takes no new files") << false << false << true;
        QTest::newRow("group cannot be given") << true << true << true;
        QTest::newRow("write-protected file") << true << false << false;
        QTest::newRow("write-protected file, folder takes none") << false << false << false;
    }
    void writesInPlaceWhereNoNewFileCanStand()
    {
        QFETCH(bool, folderWritable);
        QFETCH(bool, groupOfOthers);
        QFETCH(bool, fileWritable);
        const bool root = ::geteuid() == 0;
        if (groupOfOthers && !root)
            QSKIP("a file in a group its owner is not in can only be made by root");
        const std::string old = "old bytes, longer than the new ones";
        kit::put(path_, old);
        ::chmod(path_.c_str(), fileWritable ? 0664 : 0444);
        ::chmod(folder_.c_str(), root || folderWritable ? 0755 : 0555);
        if (root) { // the child's file; the folder is its own only where it may add files
            QVERIFY(::chown(path_.c_str(), kit::kNobody, groupOfOthers ? 0 : kit::kNobody) == 0);
            QVERIFY(!folderWritable || ::chown(folder_.c_str(), kit::kNobody, kit::kNobody) == 0);
        }
        const struct stat before = kit::lstatOf(path_);

        KIT_CHECK_CHILD(kit::inChild([&]() -> std::string {
            if (std::string why = kit::becomeOrdinaryUser(); !why.empty())
                return why;
            const storage::WriteResult r = storage::writeFile(path_, "new bytes");
            if (r.ok() != fileWritable || r.fileChanged ||
                (!fileWritable && r.message != "Permission denied (the file may not be written); "
                                               "nothing was written"))
                return "unexpected result: " + r.message;
            return {};
        }));
        ::chmod(folder_.c_str(), 0755);
        const struct stat after = kit::lstatOf(path_);
        QVERIFY(std::tie(after.st_ino, after.st_gid, after.st_mode) ==
                std::tie(before.st_ino, before.st_gid, before.st_mode));
        QCOMPARE(kit::contents(path_), fileWritable ? std::string("new bytes") : old);
        QCOMPARE(kit::namesIn(folder_), QStringList{"Commands.hlp"});
    }

    // On a tiny disk that is full: the message says so, the old file is as it was, and no
    // temporary file is left.
    void fullDisk_data()
    {
        QTest::addColumn<int>("oldNames"); // how many names the old file has
        QTest::newRow("new file") << 0;
        QTest::newRow("replacing a file") << 1;
        QTest::newRow("in place, growing a hard-linked file") << 2;
    }
    void fullDisk()
    {
        QFETCH(int, oldNames);
        KIT_CHECK_CHILD(kit::inChild([&]() -> std::string {
            if (std::string why = kit::mountTinyDisk(folder_, "256k"); !why.empty())
                return why;
            const std::string old(40000, 'o');
            if (oldNames > 0)
                kit::put(path_, old);
            if (oldNames > 1)
                fs::create_hard_link(path_, folder_ / "other name");
            // Some room left, but less than the new bytes take.
            kit::put(folder_ / "filler", std::string(256 * 1024 - 60000, 'f'));
            const QStringList names = kit::namesIn(folder_);

            const storage::WriteResult r = storage::writeFile(path_, std::string(100000, 'n'));
            if (r.error != storage::WriteError::DiskFull || r.fileChanged ||
                r.message.rfind("The disk is full: No space left on device (", 0) != 0)
                return "unexpected result: " + r.message;
            if (kit::namesIn(folder_) != names)
                return "files left: " + kit::namesIn(folder_).join(", ").toStdString();
            if (oldNames > 0 && kit::contents(path_) != old)
                return "the old file changed";
            return {};
        }));
    }
};

QTEST_GUILESS_MAIN(tst_FileWrite)
#include "tst_filewrite.moc"
