#include "exchange/WorkProgress.h"

#include "widgets/NamedControls.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>

TWorkProgress::TWorkProgress(QWidget *parent) : QWidget(parent)
{
    pbWork = Named<QProgressBar>("pbWork", this);
    pbWork->setRange(0, 1000);
    pbWork->setValue(0);
    btnStop = Named<QPushButton>("btnStop", QStringLiteral("中止"), this);
    btnStop->setEnabled(false);
    // Never the dialog's default: an Enter typed while the work runs does not stop it.
    btnStop->setAutoDefault(false);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(pbWork, 1);
    row->addWidget(btnStop);
    connect(btnStop, &QPushButton::clicked, this, [this] { stopped_ = true; });
}

void TWorkProgress::Begin()
{
    stopped_ = false;
    pbWork->setValue(0);
    btnStop->setEnabled(true);
    work_.emplace(window(), [this] { stopped_ = true; });
}

bool TWorkProgress::Step(qint64 done, qint64 total)
{
    const int value = total > 0 ? static_cast<int>(done * 1000 / total) : 0;
    if (value != pbWork->value())
        pbWork->setValue(value);
    QCoreApplication::processEvents();
    return !stopped_;
}

void TWorkProgress::End()
{
    btnStop->setEnabled(false);
    closeAsked_ = CloseAsked();
    work_.reset();
}
