#include "core/outputfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestOutputFiles : public QObject
{
    Q_OBJECT

private slots:
    void fixDoubleBackslashes_data();
    void fixDoubleBackslashes();
    void shortDisplayName_data();
    void shortDisplayName();

    void folderExists_trueForFolders_data();
    void folderExists_trueForFolders();
    void folderExists_falseForEverythingElse_data();
    void folderExists_falseForEverythingElse();
    void folderExists_falseBehindUnsearchableFolder();

    void deleteFileQuietly_removesFiles_data();
    void deleteFileQuietly_removesFiles();
    void deleteFileQuietly_missingOrEmptyIsQuiet();
    void deleteFileQuietly_leavesFolderAndItsPermissionsAlone();
    void deleteFileQuietly_processesPendingEvents();

private:
    QTemporaryDir m_dir;
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
};

void TestOutputFiles::fixDoubleBackslashes_data()
{
    QTest::addColumn<PathFlavour>("flavour");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    const auto w = PathFlavour::Windows;
    const auto p = PathFlavour::Posix;
    QTest::newRow("win empty") << w << ""
                               << "";
    QTest::newRow("win no double") << w << R"(C:\out\joined.html)"
                                   << R"(C:\out\joined.html)";
    QTest::newRow("win run of 2") << w << R"(C:\out\\joined.html)"
                                  << R"(C:\out\joined.html)";
    QTest::newRow("win run of 3") << w << R"(C:\out\\\joined.html)"
                                  << R"(C:\out\\joined.html)";
    QTest::newRow("win run of 4") << w << R"(C:\out\\\\joined.html)"
                                  << R"(C:\out\\joined.html)";
    QTest::newRow("win drive root") << w << R"(C:\\list.txt)"
                                    << R"(C:\list.txt)";
    QTest::newRow("win trailing pair") << w << R"(C:\out\\)"
                                       << R"(C:\out\)";
    QTest::newRow("win network path") << w << R"(\\srv\share\\joined.html)"
                                      << R"(\\srv\share\joined.html)";
    QTest::newRow("win leading 1") << w << R"(\out\a)"
                                   << R"(\\out\a)";
    QTest::newRow("win leading 3") << w << R"(\\\srv\a)"
                                   << R"(\\srv\a)";
    QTest::newRow("win leading 4") << w << R"(\\\\srv\\a)"
                                   << R"(\\srv\a)";
    QTest::newRow("win only 1") << w << R"(\)"
                                << R"(\\)";
    QTest::newRow("win only 4") << w << R"(\\\\)"
                                << R"(\\)";
    QTest::newRow("win slashes untouched") << w << "C:/out//a"
                                           << "C:/out//a";

    QTest::newRow("posix empty") << p << ""
                                 << "";
    QTest::newRow("posix no double") << p << "/home/u/out/joined.html"
                                     << "/home/u/out/joined.html";
    QTest::newRow("posix run of 2") << p << "/home/u/out//joined.html"
                                    << "/home/u/out/joined.html";
    QTest::newRow("posix run of 3") << p << "/home/u///a"
                                    << "/home/u//a";
    QTest::newRow("posix run of 4") << p << "/home/u////a"
                                    << "/home/u//a";
    QTest::newRow("posix root folder") << p << "//list.txt"
                                       << "/list.txt";
    QTest::newRow("posix leading 3") << p << "///home/a"
                                     << "/home/a";
    QTest::newRow("posix leading 4 then pair") << p << "////home//a"
                                               << "/home/a";
    QTest::newRow("posix only 1") << p << "/"
                                  << "/";
    QTest::newRow("posix only 4") << p << "////"
                                  << "/";
    QTest::newRow("posix relative") << p << "out//a"
                                    << "out/a";
    QTest::newRow("posix backslashes untouched") << p << R"(/a\\b)"
                                                 << R"(/a\\b)";
    QTest::newRow("posix unicode and blanks") << p << "/home/ü ñ//日本 語/x.html"
                                              << "/home/ü ñ/日本 語/x.html";
}

void TestOutputFiles::fixDoubleBackslashes()
{
    QFETCH(PathFlavour, flavour);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(FixDoubleBackslashes(path, flavour), expected);
}

void TestOutputFiles::shortDisplayName_data()
{
    QTest::addColumn<PathFlavour>("flavour");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const auto w = PathFlavour::Windows;
    const auto p = PathFlavour::Posix;
    QTest::newRow("win file path") << w << R"(C:\out\list.txt)"
                                   << "list.txt";
    QTest::newRow("win ends in separator") << w << R"(C:\out\)"
                                           << "";
    QTest::newRow("win no separator") << w << "plain text"
                                      << "plain text";
    QTest::newRow("win web address") << w << "http://www.vantrel.example/samples/news/"
                                     << "http://www.vantrel.example/samples/news/";
    QTest::newRow("win empty") << w << ""
                               << "";

    QTest::newRow("posix file path") << p << "/home/u/out/joined.html"
                                     << "joined.html";
    QTest::newRow("posix ends in separator") << p << "/home/u/out/"
                                             << "";
    QTest::newRow("posix home path") << p << "~/lists/a b.txt"
                                     << "a b.txt";
    QTest::newRow("posix dot path") << p << "./a/b.html"
                                    << "b.html";
    QTest::newRow("posix http") << p << "http://www.vantrel.example/samples/news/"
                                << "http://www.vantrel.example/samples/news/";
    QTest::newRow("posix https upper case") << p << "HTTPS://x.example/a/b"
                                            << "HTTPS://x.example/a/b";
    QTest::newRow("posix file url") << p << "file:///home/u/a.html"
                                    << "file:///home/u/a.html";
    QTest::newRow("posix scheme with plus") << p << "svn+ssh://h/r"
                                            << "svn+ssh://h/r";
    QTest::newRow("posix typed without scheme") << p << "www.vantrel.example/samples/"
                                                << "www.vantrel.example/samples/";
    QTest::newRow("posix no separator") << p << "plain text"
                                        << "plain text";
    QTest::newRow("posix empty") << p << ""
                                 << "";
}

void TestOutputFiles::shortDisplayName()
{
    QFETCH(PathFlavour, flavour);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(ShortDisplayName(text, flavour), expected);
}

void TestOutputFiles::folderExists_trueForFolders_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("plain") << "out"
                           << "";
    QTest::newRow("trailing separator") << "out"
                                        << "/";
    QTest::newRow("doubled trailing separator") << "out"
                                                << "//";
    QTest::newRow("unicode and blanks") << "ordner ü 日本"
                                        << "/";
    QTest::newRow("name of 255 bytes") << QString(255, QLatin1Char('n')) << "";
    QTest::newRow("no permissions of its own") << "locked"
                                               << "";
}

void TestOutputFiles::folderExists_trueForFolders()
{
    QFETCH(QString, relative);
    QFETCH(QString, suffix);
    QVERIFY(QDir(m_dir.path()).mkpath(relative));
    if (relative == QLatin1String("locked"))
        QVERIFY(QFile::setPermissions(path(relative), {}));
    QVERIFY(FolderExists(QDir::toNativeSeparators(path(relative)) + suffix));
    QFile::setPermissions(path(relative), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestOutputFiles::folderExists_falseForEverythingElse_data()
{
    QTest::addColumn<QString>("text");
    QFile file(path(QStringLiteral("a file.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QTest::newRow("empty") << QString();
    QTest::newRow("file") << path(QStringLiteral("a file.txt"));
    QTest::newRow("file with trailing separator") << path(QStringLiteral("a file.txt")) + "/";
    QTest::newRow("missing") << path(QStringLiteral("missing"));
    QTest::newRow("name of 256 bytes") << path(QString(256, QLatin1Char('n')));
    QTest::newRow("embedded NUL") << m_dir.path() + QChar(0) + "x";
}

void TestOutputFiles::folderExists_falseForEverythingElse()
{
    QFETCH(QString, text);
    if (text.contains(QChar(0)))
        QTest::ignoreMessage(QtWarningMsg, "Broken filename passed to function");
    QVERIFY(!FolderExists(text));
}

void TestOutputFiles::folderExists_falseBehindUnsearchableFolder()
{
    const QString outer = path(QStringLiteral("closed"));
    QVERIFY(QDir().mkpath(outer + "/inner"));
    QVERIFY(QFile::setPermissions(outer, QFile::ReadOwner));
    const bool attributesReadable = QFileInfo::exists(outer + "/inner");
    const bool result = FolderExists(outer + "/inner");
    QFile::setPermissions(outer, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (attributesReadable)
        QSKIP("This user reads every folder's attributes (root)");
    QVERIFY(!result);
}

void TestOutputFiles::deleteFileQuietly_removesFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("ordinary") << "joined.html" << false;
    QTest::newRow("read-only") << "read only.html" << true;
    QTest::newRow("unicode name") << "zusammengefügt 日本.html" << false;
}

void TestOutputFiles::deleteFileQuietly_removesFiles()
{
    QFETCH(QString, name);
    QFETCH(bool, readOnly);
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html></html>\r\n");
    file.close();
    if (readOnly)
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadUser));

    DeleteFileQuietly(QDir::toNativeSeparators(path(name)));
    QVERIFY(!QFileInfo::exists(path(name)));
}

void TestOutputFiles::deleteFileQuietly_missingOrEmptyIsQuiet()
{
    DeleteFileQuietly(path(QStringLiteral("missing.html")));
    DeleteFileQuietly(path(QStringLiteral("no folder/missing.html")));
    DeleteFileQuietly(QString());
    QVERIFY(!QFileInfo::exists(path(QStringLiteral("missing.html"))));
}

void TestOutputFiles::deleteFileQuietly_leavesFolderAndItsPermissionsAlone()
{
    const QString folder = path(QStringLiteral("keep"));
    QVERIFY(QDir().mkpath(folder));
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner;
    QVERIFY(QFile::setPermissions(folder, readOnly));

    DeleteFileQuietly(folder);
    const QFileInfo info(folder);
    const bool stillThere = info.isDir();
    const QFile::Permissions after = info.permissions();
    QFile::setPermissions(folder, readOnly | QFile::WriteOwner);
    QVERIFY(stillThere);
    QVERIFY(!after.testFlag(QFile::WriteOwner));
}

void TestOutputFiles::deleteFileQuietly_processesPendingEvents()
{
    bool ran = false;
    QTimer::singleShot(0, this, [&] { ran = true; });
    DeleteFileQuietly(path(QStringLiteral("missing.html")));
    QVERIFY(ran);
}

QTEST_GUILESS_MAIN(TestOutputFiles)
#include "tst_outputfiles.moc"
