#include "app/frmSetting.h"

#include "app/mdiFrm.h"
#include "store/IniFile.h"
#include "store/Services.h"
#include "ui/WindowServices.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

frmSetting::frmSetting(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmSetting"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("系统设置"));

    auto *grid = new QGridLayout(this);
    auto *heading = new QLabel(QStringLiteral("设置导入文件的类型范围"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    grid->addWidget(heading, 0, 0, 1, 3);
    lbl << heading;

    const QList<QPair<const char *, QString>> rows = {{"txtText", QStringLiteral("文本类型扩展名")},
                                                      {"txtImage", QStringLiteral("图片类型扩展名")},
                                                      {"txtMedia", QStringLiteral("动画视频类型扩展名")},
                                                      {"txtSound", QStringLiteral("音频类型扩展名")},
                                                      {"txtOffice", QStringLiteral("Office软件类型扩展名")}};
    QList<QLineEdit *> made;
    for (int i = 0; i < rows.size(); ++i) {
        auto *label = new QLabel(rows[i].second, this);
        auto *box = new QLineEdit(this);
        box->setObjectName(QLatin1String(rows[i].first));
        box->setMinimumWidth(360);
        label->setBuddy(box);
        grid->addWidget(label, i + 1, 0);
        grid->addWidget(box, i + 1, 1);
        lbl << label;
        made << box;
    }
    txtText = made[0];
    txtImage = made[1];
    txtMedia = made[2];
    txtSound = made[3];
    txtOffice = made[4];

    auto *note = new QLabel(
        QStringLiteral(
            "注意:\n  不同的文件类型用\n;分割,例如 图片类型\n文件*.bmp;*.ico;*.gif\n;*.jpg;*.png\n否则将无法找到文件!"),
        this);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(note, 1, 2, 5, 1);
    lbl << note;

    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdReset = new QPushButton(QStringLiteral("恢复默认"), this);
    cmdReset->setObjectName(QStringLiteral("cmdReset"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdReset);
    grid->addLayout(buttons, 6, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdReset, &QPushButton::clicked, this, [this] { cmdReset_Click(); });

    // Load: values as stored; the defaults shown (not written) when txtText is empty.
    SetTopMost(this, -1);
    for (QLineEdit *box : boxes())
        box->setText(ReadIni(box->objectName()));
    if (txtText->text().isEmpty())
        showDefaults();
    for (QLineEdit *box : boxes())
        box->setCursorPosition(0); // a long filter shows its start, as it was written
    adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QList<QLineEdit *> frmSetting::boxes() const
{
    return {txtText, txtImage, txtMedia, txtSound, txtOffice};
}

void frmSetting::showDefaults()
{
    for (const auto &entry : mdiFrm::defaultFilters()) {
        auto *box = findChild<QLineEdit *>(entry.first);
        box->setText(entry.second);
        box->setCursorPosition(0);
    }
}

void frmSetting::cmdOK_Click()
{
    bool written = false;
    ReportErrors(this, [this, &written] {
        for (QLineEdit *box : boxes())
            WriteIni(box->objectName(), box->text());
        written = true;
    });
    if (written) // otherwise it stays open so nothing typed is lost
        close();
}

void frmSetting::cmdReset_Click()
{
    if (ShowMsg(QStringLiteral("您确定要恢复到默认设置吗?"), Msg::YesNo | Msg::Question) == Msg::IdNo)
        return;
    showDefaults();
}
