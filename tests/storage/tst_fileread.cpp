// SPDX-License-Identifier: MIT

#include "StorageTestKit.h"
#include "storage/Storage.h"

#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>

using kit::Node;
using storage::ReadError;
namespace fs = std::filesystem;

Q_DECLARE_METATYPE(ReadError)

class tst_FileRead : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    fs::path temp(const QString& name) const // an absolute name stays as it is
    {
        return fs::path(m_dir.path().toStdString()) / name.toStdString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ::signal(SIGPIPE, SIG_IGN); // a writer left without its reader gets EPIPE instead
        kit::put(temp("eleven"), "0123456789A");
        kit::put(temp("ten"), "0123456789");
        kit::put(temp("empty"), "");
        fs::create_symlink("ten", temp("link to ten"));
        for (const Node node : kit::kNodes) // devices need root; their rows then find nothing
            kit::make(node, temp(kit::kindOf(node)));
        fs::create_symlink(kit::kindOf(Node::Fifo), temp("link to fifo"));
    }

    // What is read starts with `expected`; what is refused says why in it. A FIFO with no
    // writer and an endless /proc file do not hold the read up.
    void reads_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("maxBytes");
        QTest::addColumn<ReadError>("error");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const QString& path, int maxBytes, ReadError error,
                      const QString& expected) {
            QTest::newRow(name) << path << maxBytes << error << expected;
        };
        row("exactly the limit", "ten", 10, ReadError::None, "0123456789");
        row("empty", "empty", 0, ReadError::None, "");
        row("through a link", "link to ten", 10, ReadError::None, "0123456789");
        row("/proc file bigger than it says", "/proc/self/status", 1 << 20, ReadError::None,
            "Name:\t");
        row("missing", "missing", 100, ReadError::NotFound, "No such file or directory");
        row("a file for a folder", "ten/file", 100, ReadError::NotFound, "Not a directory");
        for (const Node node : kit::kNodes)
            if (fs::exists(temp(kit::kindOf(node))))
                row(kit::kindOf(node), kit::kindOf(node), 100, ReadError::NotRegularFile,
                    QStringLiteral("It is %1, not a regular file").arg(kit::kindOf(node)));
        row("FIFO behind a link", "link to fifo", 100, ReadError::NotRegularFile,
            "It is a FIFO (named pipe), not a regular file");
        row("one byte too many", "eleven", 10, ReadError::TooLarge,
            "It is larger than 10 bytes, the most that is read");
        // Both say they have no bytes; pagemap has eight for each page of the address space.
        row("/proc file past the limit", "/proc/self/status", 16, ReadError::TooLarge,
            "It is larger than 16 bytes, the most that is read");
        row("endless /proc file", "/proc/self/pagemap", 4095, ReadError::TooLarge,
            "It is larger than 4095 bytes, the most that is read");
    }
    void reads()
    {
        QFETCH(QString, path);
        QFETCH(int, maxBytes);
        QFETCH(ReadError, error);
        QFETCH(QString, expected);
        const storage::ReadResult r = storage::readFile(temp(path), std::size_t(maxBytes));
        QCOMPARE(r.error, error);
        if (error != ReadError::None) {
            QCOMPARE(QString::fromStdString(r.message), expected);
            QVERIFY(r.bytes.empty());
        } else {
            QVERIFY2(r.message.empty(), r.message.c_str());
            QVERIFY(QByteArray::fromStdString(r.bytes).startsWith(expected.toUtf8()));
            QVERIFY(path.startsWith('/') || r.bytes == kit::contents(temp(path)));
        }
    }

    // As an ordinary user, a file only root may read (the test runs as that user when it is).
    void unreadable()
    {
        const fs::path file = temp("secret");
        kit::put(file, "secret");
        ::chmod(file.c_str(), ::geteuid() == 0 ? 0600 : 0);
        ::chmod(m_dir.path().toLocal8Bit().constData(), 0755);
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
        QCOMPARE(r.error, size > maxBytes ? ReadError::TooLarge : ReadError::None);
        QVERIFY(size > maxBytes || r.bytes == bytes);
    }

    // What the command-line tool reads: regular files, and streams named by a path (a FIFO, a
    // character device) or given as a descriptor, never more than the limit + 1 bytes; what is
    // neither is refused unopened. "input fifo" gets `fifoBytes` from a writer of its own.
    void readsInput_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("fifoBytes");
        QTest::addColumn<bool>("asDescriptor"); // opened here and given to readStream
        QTest::addColumn<ReadError>("error");
        QTest::addColumn<QString>("message");
        const QString tooLarge = "It is larger than 100000 bytes, the most that is read";
        for (const bool d : {false, true}) {
            auto row = [d](const char* name, const QString& path, int fifoBytes, ReadError error,
                           const QString& message) {
                QTest::newRow(qPrintable(QString(name) + (d ? ", as descriptor" : "")))
                    << path << fifoBytes << d << error << message;
            };
            row("file", "ten", -1, ReadError::None, "");
            row("file over the limit", "big", -1, ReadError::TooLarge, tooLarge);
            row("FIFO at the limit", "input fifo", 100000, ReadError::None, "");
            row("FIFO one byte over", "input fifo", 100001, ReadError::TooLarge, tooLarge);
            row("empty FIFO", "input fifo", 0, ReadError::None, "");
            row("endless device", "/dev/zero", -1, ReadError::TooLarge, tooLarge);
            row("empty device", "/dev/null", -1, ReadError::None, "");
            row("folder", kit::kindOf(Node::Folder), -1, ReadError::NotRegularFile,
                "It is a folder, not a file or a pipe");
        }
        for (const Node node : {Node::Socket, Node::BlockDevice})
            if (fs::exists(temp(kit::kindOf(node))))
                QTest::newRow(kit::kindOf(node))
                    << QString(kit::kindOf(node)) << -1 << false << ReadError::NotRegularFile
                    << QStringLiteral("It is %1, not a file or a pipe").arg(kit::kindOf(node));
        QTest::newRow("missing") << "missing" << -1 << false << ReadError::NotFound
                                 << "No such file or directory";
    }
    void readsInput()
    {
        QFETCH(QString, path);
        QFETCH(int, fifoBytes);
        QFETCH(bool, asDescriptor);
        QFETCH(ReadError, error);
        QFETCH(QString, message);
        constexpr std::size_t kLimit = 100000;
        if (!fs::exists(temp("big")))
            kit::put(temp("big"), std::string(kLimit + 1, 'b'));
        const fs::path at = temp(path);
        std::string sent(std::size_t(std::max(fifoBytes, 0)), '\0');
        for (std::size_t i = 0; i < sent.size(); ++i)
            sent[i] = char(i * 13 + i / 253);
        std::atomic<bool> done{false};
        std::thread writer;
        if (fifoBytes >= 0) {
            fs::remove(at);
            QVERIFY(::mkfifo(at.c_str(), 0644) == 0);
            // Non-blocking opens until the reader is there, so a reader that never comes
            // cannot keep the test waiting.
            writer = std::thread([&] {
                int fd = -1;
                while (fd < 0 && !done)
                    if ((fd = ::open(at.c_str(), O_WRONLY | O_NONBLOCK)) < 0)
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (fd < 0)
                    return;
                ::fcntl(fd, F_SETFL, 0);
                for (std::size_t put = 0; put < sent.size(); put += 4096)
                    if (::write(fd, sent.data() + put,
                                std::min<std::size_t>(4096, sent.size() - put)) < 0)
                        break;
                ::close(fd);
            });
        }
        storage::ReadResult r;
        if (asDescriptor) {
            const int fd = ::open(at.c_str(), O_RDONLY | O_CLOEXEC);
            QVERIFY(fd >= 0);
            r = storage::readStream(fd, kLimit);
            ::close(fd);
        } else {
            r = storage::readInput(at, kLimit);
        }
        done = true;
        if (writer.joinable())
            writer.join();
        QCOMPARE(r.error, error);
        QCOMPARE(QString::fromStdString(r.message), message);
        if (error != ReadError::None)
            QVERIFY(r.bytes.empty());
        else if (fifoBytes >= 0)
            QVERIFY(r.bytes == sent);
        else
            QVERIFY(r.bytes == (path.startsWith('/') ? std::string() : kit::contents(at)));
    }
};

QTEST_GUILESS_MAIN(tst_FileRead)
#include "tst_fileread.moc"
