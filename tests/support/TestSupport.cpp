#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace test {

QString appDir() { return QStringLiteral(VELMORA_APP_DIR); }
QString sourceDir() { return QStringLiteral(VELMORA_SOURCE_DIR); }

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

MessageBoxScript::MessageBoxScript()
{
    previous_ = SetMessageBoxHandler([this](const TMessageBoxRequest &r) {
        shown_.push_back(r);
        if (!answers_.empty()) {
            const int id = answers_.front();
            answers_.pop_front();
            return id;
        }
        return DefaultButtonOf(r.flags);
    });
}

MessageBoxScript::~MessageBoxScript() { SetMessageBoxHandler(previous_); }

QStringList MessageBoxScript::texts() const
{
    QStringList out;
    for (const auto &r : shown_)
        out << r.text;
    return out;
}

}  // namespace test
