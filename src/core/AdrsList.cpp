#include "core/AdrsList.h"

#include "platform/MessageBox.h"

TAddressList::TAddressList() : QMainWindow(nullptr)
{
    setObjectName(QStringLiteral("AddressList"));
    setWindowTitle(AppTitle);
    resize(869, 461);
}
