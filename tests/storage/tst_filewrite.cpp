#include "StorageTestKit.h"
#include "storage/Storage.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

using kit::Node;
namespace fs = std::filesystem;

namespace {

fs::path folderOf(const QTemporaryDir& dir)
{
    return fs::path(dir.path().toStdString());
}

// How the file to be written is set up before the write.
enum class Setup {
    NewFile,
    Mode0600,
    Mode0754,
    OwnedBySomebodyElse,
    HardLinked,
    SymbolicLink,
    DanglingLink,
    LinkToLinkElsewhere,
};

} // namespace

Q_DECLARE_METATYPE(Setup)

class tst_FileWrite : public QObject {
    Q_OBJECT
private slots:
    // Nothing but a regular file is written: the thing there stays as it was, and a FIFO
    // without a reader does not hold the write up.
    void refusesWhatIsNoRegularFile_data()
    {
        QTest::addColumn<Node>("node");
        QTest::addColumn<bool>("viaLink");
        QTest::addColumn<QString>("named");
        const std::pair<const char*, Node> nodes[] = {
            {"folder", Node::Folder},
            {"null-like device", Node::NullDevice},
            {"full-like device", Node::FullDevice},
            {"block device", Node::BlockDevice},
            {"FIFO", Node::Fifo},
            {"socket", Node::Socket},
        };
        for (const auto& [name, node] : nodes) {
            const QString word = QString(name).section(' ', -1);
            QTest::addRow("%s", name) << node << false << word;
            QTest::addRow("%s through a link", name) << node << true << word;
        }
    }
    void refusesWhatIsNoRegularFile()
    {
        QFETCH(Node, node);
        QFETCH(bool, viaLink);
        QFETCH(QString, named);
        QTemporaryDir dir;
        const fs::path thing = folderOf(dir) / "thing";
        const std::string why = kit::make(node, thing);
        if (!why.empty())
            QSKIP(why.c_str());
        const fs::path path = viaLink ? folderOf(dir) / "link" : thing;
        if (viaLink)
            fs::create_symlink("thing", path);
        const struct stat before = kit::lstatOf(thing);
        const QStringList names = kit::namesIn(folderOf(dir));

        const storage::WriteResult r = storage::writeFile(path, "#Help\r\n");
        QCOMPARE(r.error, storage::WriteError::NotRegularFile);
        QVERIFY(!r.fileChanged);
        QVERIFY2(r.message.find(named.toStdString()) != std::string::npos &&
                     r.message.find(", not a regular file; nothing was written") !=
                         std::string::npos,
                 r.message.c_str());
        const struct stat after = kit::lstatOf(thing);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_rdev, before.st_rdev);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(kit::namesIn(folderOf(dir)), names);
        QVERIFY(!viaLink || fs::is_symlink(path));
    }

    // A regular file is written whole and stays what it was; a new one gets the usual mode.
    void keepsWhatTheFileWas_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<int>("mode");
        QTest::newRow("new file") << Setup::NewFile << 0640; // written under umask 027
        QTest::newRow("mode 0600") << Setup::Mode0600 << 0600;
        QTest::newRow("mode 0754") << Setup::Mode0754 << 0754;
        QTest::newRow("owner and group of somebody else") << Setup::OwnedBySomebodyElse << 0664;
        QTest::newRow("hard link") << Setup::HardLinked << 0644;
        QTest::newRow("symbolic link") << Setup::SymbolicLink << 0644;
        QTest::newRow("dangling symbolic link") << Setup::DanglingLink << 0640;
        QTest::newRow("link to a link in another folder") << Setup::LinkToLinkElsewhere << 0644;
    }
    void keepsWhatTheFileWas()
    {
        QFETCH(Setup, setup);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const fs::path folder = folderOf(dir);
        const fs::path path = folder / "Commands.hlp";
        fs::path file = path; // where the bytes end up
        if (setup == Setup::SymbolicLink || setup == Setup::DanglingLink) {
            file = folder / "target.hlp";
            fs::create_symlink("target.hlp", path);
        } else if (setup == Setup::LinkToLinkElsewhere) {
            fs::create_directory(folder / "sub");
            file = folder / "sub" / "real.hlp";
            fs::create_symlink("real.hlp", folder / "sub" / "inner");
            fs::create_symlink("sub/inner", path);
        }
        if (setup != Setup::NewFile && setup != Setup::DanglingLink) {
            kit::put(file, std::string(5000, 'o'));
            ::chmod(file.c_str(), mode_t(mode));
        }
        if (setup == Setup::HardLinked)
            fs::create_hard_link(file, folder / "other name");
        if (setup == Setup::OwnedBySomebodyElse &&
            ::chown(file.c_str(), kit::kNobody, kit::kNobody))
            QSKIP("giving a file to another owner needs root");
        const struct stat before = kit::lstatOf(file);
        const QStringList names = kit::namesIn(folder);
        const mode_t oldMask = ::umask(027);

        const storage::WriteResult r = storage::writeFile(path, "#Help\r\nnew\r\n");
        ::umask(oldMask);
        QVERIFY2(r.ok(), r.message.c_str());
        QCOMPARE(kit::contents(path), std::string("#Help\r\nnew\r\n"));
        const struct stat after = kit::lstatOf(file);
        QCOMPARE(int(after.st_mode & 07777), mode);
        if (setup != Setup::NewFile && setup != Setup::DanglingLink) {
            QCOMPARE(after.st_uid, before.st_uid);
            QCOMPARE(after.st_gid, before.st_gid);
        }
        if (setup == Setup::HardLinked) {
            QCOMPARE(after.st_ino, before.st_ino);
            QCOMPARE(kit::contents(folder / "other name"), kit::contents(path));
        }
        QCOMPARE(fs::is_symlink(path), file != path);
        QCOMPARE(kit::namesIn(folder),
                 names + (setup == Setup::NewFile        ? QStringList{"Commands.hlp"}
                          : setup == Setup::DanglingLink ? QStringList{"target.hlp"}
                                                         : QStringList{}));
    }

    // Random old and new sizes, beside the chunk size and across it, each written whole or in
    // place: the file holds the new bytes exactly, under every name it has.
    void anySizeOverAnySize()
    {
        QRandomGenerator random(1234);
        QTemporaryDir dir;
        const fs::path path = folderOf(dir) / "f";
        auto bytesOf = [&random](int size) {
            std::string bytes(std::size_t(size), '\0');
            for (std::size_t i = 0; i < bytes.size(); i += 4) {
                const quint32 word = random.generate();
                std::memcpy(&bytes[i], &word, std::min<std::size_t>(4, bytes.size() - i));
            }
            return bytes;
        };
        const int sizes[] = {0, 1, 4095, 4096, 65536, 65537, 300000};
        for (int round = 0; round < 60; ++round) {
            const bool linked = round % 2 == 1;
            auto sizeOf = [&] {
                return random.bounded(3) == 0 ? sizes[random.bounded(7)] : random.bounded(200000);
            };
            kit::put(path, bytesOf(sizeOf()));
            if (linked)
                fs::create_hard_link(path, folderOf(dir) / "g");
            const ino_t inode = kit::lstatOf(path).st_ino;
            const std::string bytes = bytesOf(sizeOf());
            const storage::WriteResult r = storage::writeFile(path, bytes);
            QVERIFY2(r.ok(), r.message.c_str());
            QVERIFY(kit::contents(path) == bytes);
            QCOMPARE(kit::lstatOf(path).st_ino == inode, linked);
            if (linked) {
                QVERIFY(kit::contents(folderOf(dir) / "g") == bytes);
                fs::remove(folderOf(dir) / "g");
            }
            QCOMPARE(kit::namesIn(folderOf(dir)), QStringList{"f"});
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
        QTemporaryDir dir;
        ::chmod(dir.path().toLocal8Bit().constData(), 0755); // for the child to get in
        const fs::path folder = folderOf(dir) / "folder";
        const fs::path path = folder / "Commands.hlp";
        fs::create_directory(folder);
        kit::put(path, "old bytes, longer than the new ones");
        ::chmod(path.c_str(), fileWritable ? 0664 : 0444);
        if (root) {
            // The child's file; the folder is its own only where it may add files.
            QVERIFY(::chown(path.c_str(), kit::kNobody, groupOfOthers ? 0 : kit::kNobody) == 0);
            if (folderWritable)
                QVERIFY(::chown(folder.c_str(), kit::kNobody, kit::kNobody) == 0);
        } else if (!folderWritable) {
            ::chmod(folder.c_str(), 0555);
        }
        const struct stat before = kit::lstatOf(path);
        const bool shouldWrite = fileWritable;

        KIT_CHECK_CHILD(kit::inChild([&]() -> std::string {
            if (std::string why = kit::becomeOrdinaryUser(); !why.empty())
                return why;
            const storage::WriteResult r = storage::writeFile(path, "new bytes");
            if (r.ok() != shouldWrite || r.fileChanged)
                return "unexpected result: " + r.message;
            if (!shouldWrite && r.message != "Permission denied (the file may not be written); "
                                             "nothing was written")
                return "unexpected message: " + r.message;
            return {};
        }));
        ::chmod(folder.c_str(), 0755);
        const struct stat after = kit::lstatOf(path);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(kit::contents(path),
                 std::string(shouldWrite ? "new bytes" : "old bytes, longer than the new ones"));
        QCOMPARE(kit::namesIn(folder), QStringList{"Commands.hlp"});
    }

    // On a tiny disk that is full: the message says so, the old file is as it was, and no
    // temporary file is left.
    void fullDisk_data()
    {
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<bool>("hardLinked");
        QTest::newRow("new file") << false << false;
        QTest::newRow("replacing a file") << true << false;
        QTest::newRow("in place, growing a hard-linked file") << true << true;
    }
    void fullDisk()
    {
        QFETCH(bool, oldFile);
        QFETCH(bool, hardLinked);
        QTemporaryDir dir;
        const fs::path folder = folderOf(dir);
        const fs::path path = folder / "Commands.hlp";
        KIT_CHECK_CHILD(kit::inChild([&]() -> std::string {
            if (std::string why = kit::mountTinyDisk(folder, "256k"); !why.empty())
                return why;
            const std::string old(40000, 'o');
            if (oldFile)
                kit::put(path, old);
            if (hardLinked)
                fs::create_hard_link(path, folder / "other name");
            // Some room left, but less than the new bytes take.
            kit::put(folder / "filler", std::string(256 * 1024 - 60000, 'f'));
            const QStringList names = kit::namesIn(folder);

            const storage::WriteResult r = storage::writeFile(path, std::string(100000, 'n'));
            if (r.error != storage::WriteError::DiskFull || r.fileChanged ||
                r.message.rfind("The disk is full: No space left on device (", 0) != 0)
                return "unexpected result: " + r.message;
            if (kit::namesIn(folder) != names)
                return "files left: " + kit::namesIn(folder).join(", ").toStdString();
            if (oldFile && kit::contents(path) != old)
                return "the old file changed";
            return {};
        }));
    }
};

QTEST_GUILESS_MAIN(tst_FileWrite)
#include "tst_filewrite.moc"
