#include "import/frmtblAttachmentEdit.h"

#include "import/RequiredCheck.h"
#include "store/Services.h"
#include "ui/WindowServices.h"

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <utility>

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QDateTime kNoDate(QDate(1752, 9, 14), QTime(0, 0));

QDateTime parseDate(const QString &text)
{
    for (const QString &format : {kDateFormat, QStringLiteral("yyyy-MM-dd"), QStringLiteral("yyyy-MM-ddTHH:mm:ss"),
                                  QStringLiteral("yyyy/M/d H:mm:ss"), QStringLiteral("yyyy/M/d")}) {
        const QDateTime dt = QDateTime::fromString(text, format);
        if (dt.isValid())
            return dt;
    }
    return {};
}

template <class T> T *place(QWidget *parent, T *w, const char *name, int l, int t, int wd, int h)
{
    w->setObjectName(QLatin1String(name));
    w->setGeometry(Twips(l), Twips(t), Twips(wd), qMax(Twips(h), 22));
    w->setParent(parent);
    return w;
}
} // namespace

frmtblAttachmentEdit::frmtblAttachmentEdit(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmtblAttachmentEdit"));
    setWindowTitle(QStringLiteral("文件详情编辑"));
    setFixedSize(Twips(7740) + 24, Twips(2550) + 24);

    auto label = [this](const char *name, const QString &text, int l, int t) {
        auto *lbl = place(this, new QLabel(text), name, l, t, 1100, 285);
        lbl->adjustSize();
        return lbl;
    };
    // Creation order is the order CheckRequired visits the boxes.
    Text3 = place(this, new QLineEdit(QStringLiteral("FileName")), "Text3", 1080, 360, 2175, 285);
    Label3 = label("Label3", QStringLiteral("文件名(*)"), 120, 390);
    Text4 = place(this, new QLineEdit(QStringLiteral("FolderName")), "Text4", 5040, 480, 2175, 285);
    Label4 = label("Label4", QStringLiteral("文件类型(*)"), 3960, 510);
    Text2 = place(this, new QDateTimeEdit(QDateTime(QDate(2009, 11, 11), QTime(0, 0))), "Text2", 5040, 900, 2175, 285);
    Text2->setDisplayFormat(kDateFormat);
    Text2->setMinimumDateTime(kNoDate);
    Text2->setSpecialValueText(QStringLiteral(" ")); // a row without a date shows none
    Text2->setCalendarPopup(true);
    Text2->resize(qMax(Text2->width(), Text2->sizeHint().width()), Text2->height());
    Label2 = label("Label2", QStringLiteral("入库日期(*)"), 3960, 930);
    Text1 = place(this, new QPlainTextEdit(QStringLiteral("Currentinfo")), "Text1", 1080, 1320, 6135, 1125);
    Label1 = label("Label1", QStringLiteral("文件简介(*)"), 120, 1350);
    Text7 = place(this, new QLineEdit(QStringLiteral("tblFileKind")), "Text7", -3000, -3000, 900, 285);
    Label7 = label("Label7", QStringLiteral("tblFileKind(*)"), -3000, -3000);
    Text6 = place(this, new QLineEdit(QStringLiteral("SaveFileName")), "Text6", -3000, -3000, 900, 285);
    Label6 = label("Label6", QStringLiteral("SaveFileName(*)"), -3000, -3000);
    // Each label names its field, for the keyboard (Alt+letter) and for screen readers.
    for (auto [caption, field] :
         {std::pair<QLabel *, QWidget *>{Label3, Text3}, {Label4, Text4}, {Label2, Text2}, {Label1, Text1}}) {
        caption->setBuddy(field);
        field->setAccessibleName(caption->text());
    }
    Text7->hide();
    Label7->hide();
    Text6->hide();
    Label6->hide();
    for (QWidget *box : {static_cast<QWidget *>(Text3), static_cast<QWidget *>(Text4), static_cast<QWidget *>(Text1),
                         static_cast<QWidget *>(Text7), static_cast<QWidget *>(Text6)})
        box->setProperty(kTagProperty, QStringLiteral("1"));

    cmdSave = place(this, new QPushButton(QStringLiteral("保存(&S)")), "cmdSave", 4215, 0, 1095, 300);
    cmdDelData = place(this, new QPushButton(QStringLiteral("删除(&D)")), "cmdDelData", 5430, 0, 1095, 300);
    cmdClose = place(this, new QPushButton(QStringLiteral("关闭(&C)")), "cmdClose", 6645, 0, 1095, 300);
    lblNote = label("lblNote", QStringLiteral("(*)为必填项"), 120, 60);
    cmdSave->setAutoDefault(false);
    cmdDelData->setAutoDefault(false);
    cmdClose->setAutoDefault(false);

    setTabOrder(cmdClose, cmdSave);
    setTabOrder(cmdSave, cmdDelData);
    setTabOrder(cmdDelData, Text1);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Text3);
    setTabOrder(Text3, Text4);
    setTabOrder(Text4, Text7);
    setTabOrder(Text7, Text6);

    connect(Text2, &QDateTimeEdit::dateTimeChanged, this, [this] { dateEdited_ = true; });
    connect(cmdSave, &QPushButton::clicked, this, [this] { ReportErrors(this, [this] { cmdSave_Click(); }); });
    connect(cmdDelData, &QPushButton::clicked, this, [this] { ReportErrors(this, [this] { cmdDelData_Click(); }); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

void frmtblAttachmentEdit::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The row is loaded when the window is shown, whoever opened it.
    if (!activated_)
        ReportErrors([this] { Form_Activate(); });
}

void frmtblAttachmentEdit::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    activated_ = false;
}

void frmtblAttachmentEdit::Form_Activate()
{
    activated_ = true;
    loaded_ = false;
    loadedRow_.clear();
    if (strWhere.isEmpty()) {
        cmdSave->setEnabled(false);
        cmdDelData->setEnabled(false);
        return;
    }
    cmdSave->setEnabled(true);
    cmdDelData->setEnabled(true);
    if (RecordEdit::load(strWhere, &loadedRow_)) {
        // In the order of RecordEdit::fields().
        loaded_ = true;
        Text1->setPlainText(loadedRow_.at(0).trimmed());
        loadedDate_ = loadedRow_.at(1).trimmed();
        const QDateTime when = parseDate(loadedDate_);
        Text2->setDateTime(when.isValid() ? when : kNoDate);
        Text3->setText(loadedRow_.at(2).trimmed());
        Text4->setText(loadedRow_.at(3).trimmed());
        Text6->setText(loadedRow_.at(4).trimmed());
        Text7->setText(loadedRow_.at(5).trimmed());
        dateEdited_ = false;
    }
}

QString frmtblAttachmentEdit::dateText() const
{
    if (!dateEdited_ && !loadedDate_.isEmpty())
        return loadedDate_;
    return Text2->dateTime() == kNoDate ? QString() : Text2->dateTime().toString(kDateFormat);
}

bool frmtblAttachmentEdit::isChkValuse()
{
    if (!CheckRequired(this))
        return false;
    values_.description = Text1->toPlainText().trimmed();
    values_.date = dateText().trimmed();
    values_.fileName = Text3->text().trimmed();
    values_.category = Text4->text().trimmed();
    values_.storedName = Text6->text().trimmed();
    // The stored name goes back exactly as read: trimmed, it could name another record's copy.
    if (loaded_ && values_.storedName == loadedRow_.at(4).trimmed())
        values_.storedName = loadedRow_.at(4);
    values_.kind = Text7->text().trimmed();
    return true;
}

void frmtblAttachmentEdit::cmdSave_Click()
{
    if (!isChkValuse())
        return;
    // Written only while the row is still the one shown; otherwise the window stays open
    // with the user's text, and the message says why.
    RecordEdit::save(strWhere, loadedRow_, loaded_, values_);
    accept();
}

void frmtblAttachmentEdit::cmdDelData_Click()
{
    if (ShowMsg(QStringLiteral("是否删除该记录?"), Msg::YesNo | Msg::Question | Msg::DefaultSecond) == Msg::IdNo)
        return;
    if (strWhere.isEmpty()) {
        ShowMsg(QStringLiteral("新增模式,无法删除指定记录!"), Msg::OkOnly | Msg::Information);
        return;
    }
    RecordEdit::remove(strWhere, loadedRow_, loaded_);
    accept();
}
