// TVersionInfo: the program's version, the data versions of the dictionaries and the attributions their
// data's licences ask for.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTextBrowser;

// One dictionary file of the program folder's "Dic/": its format and format version from its header, the
// date it was made.
struct TDictionaryVersion {
    QString File;
    QString Format;   // the header's magic, empty when the file is missing or not ours
    quint32 Version = 0;
    QString Date;     // yyyy/MM/dd
};
QList<TDictionaryVersion> DictionaryVersions(const QString &dicFolder);

class TVersionInfo : public QDialog {
    Q_OBJECT
public:
    explicit TVersionInfo(QWidget *owner);

    QLabel *lblProduct, *lblVersion;
    QTreeWidget *lvDictionary;
    QTextBrowser *mmoCredit;
    QPushButton *btnOk;
};

void ShowVersionInfo(QWidget *owner);
