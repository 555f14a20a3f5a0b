#include "app/frmAbout.h"

#include "app/RegistryReader.h"
#include "store/Dialogs.h"
#include "store/Services.h"
#include "ui/WindowServices.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("关于 ") + AppTitle());

    lblTitle = new QLabel(AppTitle(), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(QStringLiteral("版本 ") + AppVersion(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDisclaimer = new QLabel(disclaimer(), this);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setMinimumWidth(420);
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdSysInfo = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(lblVersion);
    layout->addSpacing(8);
    layout->addWidget(lblDisclaimer);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, [] { StartSysInfo(); });

    SetTopMost(this, -1);
    adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString frmAbout::disclaimer()
{
    return QStringLiteral("警告: "
                          "...\n\t系统出问题,请联系作者,请定期做好数据的备份工作,防止意外发生,"
                          "由于误操作导致的数据丢失等一切后果,作者概不负责!\n"
                          "系统将继续完善升级,根据用户需要达到最方便的使用功能!\n系统的详细操作请查看 帮助演示");
}

void frmAbout::StartSysInfo()
{
    QString path;
    if (GetKeyValue(RegistryReader::LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path)) {
        if (dialogs().startProgram(path))
            return;
    } else if (GetKeyValue(RegistryReader::LocalMachine, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                           QStringLiteral("MSINFO"), path)) {
        const QString tool = QDir(QDir::fromNativeSeparators(path)).filePath(QStringLiteral("MSINFO32.EXE"));
        if (QFileInfo(tool).isFile() && dialogs().startProgram(tool))
            return;
    }
    dialogs().message(QStringLiteral("此时系统信息不可用"), Msg::OkOnly, AppTitle());
}
