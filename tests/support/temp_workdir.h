#pragma once
// A temporary working folder with its own settings folder, so no test touches the user's files.
#include <QString>
#include <QTemporaryDir>

class TempWorkdir {
public:
    TempWorkdir();
    ~TempWorkdir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Creates the delivered data.mdb here and opens it as the data module of the run.
    void openNewDatabase();

private:
    QTemporaryDir m_dir;
    QByteArray m_oldConfig;
};
