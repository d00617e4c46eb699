#include "signalling/model_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

QString& overrideDirectory()
{
    static QString dir;
    return dir;
}

QStringList& written()
{
    static QStringList files;
    return files;
}

QString privateDirectory()
{
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir)
        dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/vantu-models-XXXXXX");
    return dir->isValid() ? dir->path() : QString();
}

// Empty when there is no directory, so nothing is written at the root.
QString inDirectory(const QString& fileName)
{
    const QString dir = model_files::directory();
    return dir.isEmpty() ? QString() : dir + "/" + fileName;
}

}

namespace model_files {

QString directory()
{
    const QString& dir = overrideDirectory();
    return dir.isEmpty() ? privateDirectory() : dir;
}

void setDirectory(const QString& dir)
{
    QString clean = dir;
    while (clean.size() > 1 && clean.endsWith('/'))
        clean.chop(1);
    overrideDirectory() = clean;
}

QString cellTypeFile(const QString& typeName, int earlier)
{
    return inDirectory(cellTypeFileName(typeName, earlier));
}

QString commonFile()
{
    return inDirectory(commonFileName());
}

QString cellTypeFileName(const QString& typeName, int earlier)
{
    const QString repeat = earlier > 0 ? "-" + QString::number(earlier + 1) : QString();
    if (isValidIdentifier(typeName))
        return "m" + typeName + repeat + ".xml";
    return "m-" + QString::fromLatin1(typeName.toUtf8().toHex()) + repeat + ".xml";
}

QString commonFileName()
{
    return QStringLiteral("mcommon.xml");
}

bool clashesWithCommonFile(const QString& typeName)
{
    // Compared without case: on a file system that ignores it, "Common"
    // would overwrite the common file just the same.
    return cellTypeFileName(typeName).compare(commonFileName(), Qt::CaseInsensitive) == 0;
}

bool isValidIdentifier(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (int i = 0; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        const bool digit = c >= '0' && c <= '9';
        if (!(letter || (i > 0 && digit)))
            return false;
    }
    return true;
}

QSet<QString> fixedIds()
{
    QSet<QString> ids{"default", "D0", "DeltaT", "Prob_DoNothing", "Prob_GrowthDiv", "Prob_Migration",
                      "Prob_Apoptosis"};
    for (const char* prefix : {"kdonothing", "kgrowthdiv", "kmigration", "kapoptosis"}) {
        ids.insert(QString(prefix) + "0");
        ids.insert(QString(prefix) + "_1");
    }
    return ids;
}

bool clashesWithModelIds(const QString& name, const QStringList& cytokines)
{
    if (fixedIds().contains(name))
        return true;
    for (const char* family : {"ks_", "ks0_", "ks1_", "kd_", "D_", "kdonothing_", "kgrowthdiv_", "kmigration_",
                               "kapoptosis_"}) {
        if (name.startsWith(QLatin1String(family)))
            return true;
    }
    for (const QString& other : cytokines) {
        for (const char* reaction : {"Syn", "Deg"}) {
            if (name == QLatin1String(reaction) + other || other == QLatin1String(reaction) + name)
                return true;
        }
    }
    return false;
}

void recordWritten(const QString& path)
{
    if (!written().contains(path))
        written().append(path);
}

QStringList writtenFiles()
{
    return written();
}

void removeWritten()
{
    for (const QString& path : written())
        QFile::remove(path);
    written().clear();
}

}
