#include "StorageTestKit.h"
#include "storage/Storage.h"

#include <QTemporaryDir>
#include <csignal>
#include <thread>

using kit::Node;
using storage::ReadError;
namespace fs = std::filesystem;

Q_DECLARE_METATYPE(ReadError)

class tst_FileRead : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    fs::path temp(const char* name) const { return fs::path(m_dir.path().toStdString()) / name; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ::signal(SIGPIPE, SIG_IGN); // a writer left without its reader gets EPIPE instead
        kit::put(temp("eleven"), "0123456789A");
        kit::put(temp("ten"), "0123456789");
        kit::put(temp("empty"), "");
        fs::create_symlink("ten", temp("link to ten"));
        for (auto [node, name] : {std::pair{Node::Folder, "folder"},
                                  {Node::Fifo, "fifo"},
                                  {Node::Socket, "socket"},
                                  {Node::NullDevice, "device"}})
            kit::make(node, temp(name)); // a device needs root; its row then finds nothing
        fs::create_symlink("fifo", temp("link to fifo"));
    }

    // Each refusal says why; a FIFO with no writer and an endless /proc file do not hold it up.
    void refuses_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<ReadError>("error");
        QTest::addColumn<QString>("message");
        auto row = [this](const char* name, const QString& path, int maxBytes, ReadError error,
                          const QString& message) {
            QTest::newRow(name) << (path.startsWith('/')
                                        ? path
                                        : QString::fromStdString(temp(path.toUtf8()).string()))
                                << maxBytes << error << message;
        };
        row("missing", "missing", 100, ReadError::NotFound, "No such file or directory");
        row("missing folder", "nowhere/file", 100, ReadError::NotFound,
            "No such file or directory");
        row("a file for a folder", "ten/file", 100, ReadError::NotFound, "Not a directory");
        row("folder", "folder", 100, ReadError::NotRegularFile,
            "It is a folder, not a regular file");
        row("FIFO", "fifo", 100, ReadError::NotRegularFile,
            "It is a FIFO (named pipe), not a regular file");
        row("FIFO behind a link", "link to fifo", 100, ReadError::NotRegularFile,
            "It is a FIFO (named pipe), not a regular file");
        row("socket", "socket", 100, ReadError::NotRegularFile,
            "It is a socket, not a regular file");
        if (fs::exists(temp("device")))
            row("device", "device", 100, ReadError::NotRegularFile,
                "It is a device, not a regular file");
        row("one byte too many", "eleven", 10, ReadError::TooLarge,
            "It is larger than 10 bytes, the most that is read");
        // Both say they have no bytes; pagemap has eight for each page of the address space.
        row("/proc file past the limit", "/proc/self/status", 16, ReadError::TooLarge,
            "It is larger than 16 bytes, the most that is read");
        row("endless /proc file", "/proc/self/pagemap", 4095, ReadError::TooLarge,
            "It is larger than 4095 bytes, the most that is read");
    }
    void refuses()
    {
        QFETCH(QString, path);
        QFETCH(int, maxBytes);
        QFETCH(ReadError, error);
        QFETCH(QString, message);
        const storage::ReadResult r = storage::readFile(path.toStdString(), std::size_t(maxBytes));
        QCOMPARE(r.error, error);
        QCOMPARE(QString::fromStdString(r.message), message);
        QVERIFY(r.bytes.empty());
    }

    void reads_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("exactly the limit") << "ten" << 10 << QByteArray("0123456789");
        QTest::newRow("empty") << "empty" << 0 << QByteArray();
        QTest::newRow("through a link") << "link to ten" << 10 << QByteArray("0123456789");
        QTest::newRow("/proc file bigger than it says")
            << "/proc/self/status" << (1 << 20) << QByteArray("Name:\t");
    }
    void reads()
    {
        QFETCH(QString, path);
        QFETCH(int, maxBytes);
        QFETCH(QByteArray, start);
        const fs::path file =
            path.startsWith('/') ? fs::path(path.toStdString()) : temp(path.toUtf8());
        const storage::ReadResult r = storage::readFile(file, std::size_t(maxBytes));
        QVERIFY2(r.ok(), r.message.c_str());
        QVERIFY(r.message.empty());
        QVERIFY(QByteArray::fromStdString(r.bytes).startsWith(start));
        QVERIFY(path.startsWith('/') || r.bytes == kit::contents(file));
    }

    // As an ordinary user, a file only root may read (the test runs as that user when it is).
    void unreadable()
    {
        const fs::path file = temp("secret");
        kit::put(file, "secret");
        ::chmod(file.c_str(), 0600);
        ::chmod(m_dir.path().toLocal8Bit().constData(), 0755);
        if (::geteuid() != 0)
            ::chmod(file.c_str(), 0);
        KIT_CHECK_CHILD(kit::inChild([&]() -> std::string {
            if (std::string why = kit::becomeOrdinaryUser(); !why.empty())
                return why;
            const storage::ReadResult r = storage::readFile(file, 100);
            if (r.error != ReadError::Unreadable || r.message != "Permission denied")
                return "unexpected result: " + r.message;
            return {};
        }));
    }

    // Standard input, from a pipe that a writer fills in small pieces, non-blocking or not.
    void readsStream_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<bool>("nonBlocking");
        QTest::newRow("pipe") << 300000 << 300000 << false;
        QTest::newRow("non-blocking pipe") << 300000 << 1000000 << true;
        QTest::newRow("one byte too many") << 300001 << 300000 << false;
        QTest::newRow("nothing") << 0 << 0 << true;
    }
    void readsStream()
    {
        QFETCH(int, size);
        QFETCH(int, maxBytes);
        QFETCH(bool, nonBlocking);
        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        if (nonBlocking)
            ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        std::string bytes(std::size_t(size), '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = char(i * 7 + i / 251);
        std::thread writer([&] {
            for (std::size_t at = 0; at < bytes.size(); at += 1000)
                if (::write(fds[1], bytes.data() + at,
                            std::min<std::size_t>(1000, bytes.size() - at)) < 0)
                    break;
            ::close(fds[1]);
        });
        const storage::ReadResult r = storage::readStream(fds[0], std::size_t(maxBytes));
        ::close(fds[0]); // a writer still at it stops with EPIPE
        writer.join();
        if (size > maxBytes) {
            QCOMPARE(r.error, ReadError::TooLarge);
        } else {
            QVERIFY2(r.ok(), r.message.c_str());
            QVERIFY(r.bytes == bytes);
        }
    }
};

QTEST_GUILESS_MAIN(tst_FileRead)
#include "tst_fileread.moc"
