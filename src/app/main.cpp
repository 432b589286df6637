#include "platform/StringTable.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(vireo::LoadStr(vireo::IDS_APPTITLE)));
    return 0;
}
