#include "browse/frmFind.h"

#include "browse/CatalogueFollower.h"
#include "browse/RecordList.h"
#include "store/Services.h"
#include "ui/WindowServices.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace {
QRect twips(int l, int t, int w, int h)
{
    return QRect(Twips(l), Twips(t), Twips(w), Twips(h));
}
} // namespace

const QStringList &frmFind::conditions()
{
    static const QStringList names = {QStringLiteral("文件名"), QStringLiteral("类别"), QStringLiteral("简介"),
                                      QStringLiteral("时间")};
    return names;
}

const QStringList &frmFind::kindNames()
{
    static const QStringList names = {QStringLiteral("全部"),      QStringLiteral("文件夹"),    QStringLiteral("文本"),
                                      QStringLiteral("图片"),      QStringLiteral("动画,视频"), QStringLiteral("音频"),
                                      QStringLiteral("Office软件")};
    return names;
}

frmFind::frmFind(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmFind"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("文件查找"));
    resize(Twips(13260), Twips(7695));

    auto label = [this](const QString &text, QRect where) {
        auto *l = new QLabel(text, this);
        l->setGeometry(where.adjusted(0, 0, 8, 6));
        return l;
    };
    lbl << label(QStringLiteral("查找的内容"), twips(0, 40, 900, 180));
    ComCondition = new QComboBox(this);
    ComCondition->setObjectName(QStringLiteral("ComCondition"));
    ComCondition->setEditable(true);
    ComCondition->setInsertPolicy(QComboBox::NoInsert); // typed text is a condition, not a new entry
    ComCondition->setGeometry(twips(1080, 0, 1335, 300).adjusted(0, 0, 0, 4));
    lbl << label(QStringLiteral("含有"), twips(2520, 40, 360, 180));
    txtContent = new QLineEdit(this);
    txtContent->setObjectName(QStringLiteral("txtContent"));
    txtContent->setGeometry(twips(3000, 0, 2415, 300).adjusted(0, 0, 0, 4));
    Label1 = label(QStringLiteral("自"), twips(2880, 40, 180, 180));
    Label1->setObjectName(QStringLiteral("Label1"));
    DTPicker1 = new QDateEdit(QDate(2009, 12, 3), this);
    DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
    DTPicker1->setGeometry(twips(3240, 0, 1575, 300).adjusted(0, 0, 0, 4));
    Label2 = label(QStringLiteral("至"), twips(4920, 40, 180, 180));
    Label2->setObjectName(QStringLiteral("Label2"));
    DTPicker2 = new QDateEdit(QDate(2009, 12, 3), this);
    DTPicker2->setObjectName(QStringLiteral("DTPicker2"));
    DTPicker2->setGeometry(twips(5160, 0, 1455, 300).adjusted(0, 0, 0, 4));
    for (QDateEdit *picker : {DTPicker1, DTPicker2}) {
        picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        picker->setCalendarPopup(true);
    }
    lbl << label(QStringLiteral("类型"), twips(6960, 45, 360, 180));
    for (int i = 0; i < lbl.size(); ++i) {
        lbl[i]->setObjectName(QStringLiteral("lbl"));
        lbl[i]->setProperty("index", i);
    }
    ComKid = new QComboBox(this);
    ComKid->setObjectName(QStringLiteral("ComKid"));
    ComKid->setEditable(true);
    ComKid->setInsertPolicy(QComboBox::NoInsert);
    ComKid->setGeometry(twips(7560, 0, 1095, 300).adjusted(0, 0, 0, 4));

    auto button = [this](const char *name, const QString &text, int left) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(twips(left, 0, 900, 300).adjusted(0, 0, 0, 4));
        return b;
    };
    cmdFind = button("cmdFind", QStringLiteral("查找"), 8760);
    Command1 = button("Command1", QStringLiteral("返回"), 9720);
    cmdCancel = button("cmdCancel", QStringLiteral("取消"), 10680);

    records = new RecordList(this, {true, [this] { cmdFind_Click(); }});
    lvw = records->lvw;
    mnuBar = records->mnuBar;
    lvw->setGeometry(twips(120, 360, 8175, 5415));

    // Load: the two lists, no selection, the text group shown.
    ComCondition->addItems(conditions());
    ComCondition->setCurrentIndex(-1);
    ComCondition->setEditText(conditions().first());
    ComKid->addItems(kindNames());
    ComKid->setCurrentIndex(-1);
    ComKid->setEditText(kindNames().first());
    Label1->hide();
    Label2->hide();
    DTPicker1->hide();
    DTPicker2->hide();

    connect(ComCondition, &QComboBox::editTextChanged, this, [this] { ComCondition_Change(); });
    connect(ComCondition, &QComboBox::activated, this, [this] { ComCondition_Change(); });
    connect(cmdFind, &QPushButton::clicked, this, [this] { ReportErrors(this, [this] { cmdFind_Click(); }); });
    connect(txtContent, &QLineEdit::returnPressed, cmdFind, &QPushButton::click);
    connect(Command1, &QPushButton::clicked, this, [this] { ReportErrors(this, [this] { Command1_Click(); }); });

    // Screen readers read each input with its label.
    const QList<QPair<QLabel *, QWidget *>> buddies = {
        {lbl[0], ComCondition}, {lbl[1], txtContent}, {Label1, DTPicker1}, {Label2, DTPicker2}, {lbl[2], ComKid}};
    for (const auto &[caption, field] : buddies)
        caption->setBuddy(field);
    connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    follower_ = new CatalogueFollower(this, [this] { Refresh(); });
}

void frmFind::ComCondition_Change()
{
    const bool byDate = ComCondition->currentText() == QStringLiteral("时间");
    lbl[1]->setVisible(!byDate);
    txtContent->setVisible(!byDate);
    Label1->setVisible(byDate);
    Label2->setVisible(byDate);
    DTPicker1->setVisible(byDate);
    DTPicker2->setVisible(byDate);
}

int frmFind::kind() const
{
    return qMax<int>(0, int(kindNames().indexOf(ComKid->currentText())));
}

std::optional<RecordSearch> frmFind::search() const
{
    const QString condition = ComCondition->currentText();
    const QString text = txtContent->text();
    if (condition == QStringLiteral("文件名"))
        return RecordSearch::containing(RecordSearch::By::FileName, text, kind());
    if (condition == QStringLiteral("类别"))
        return RecordSearch::containing(RecordSearch::By::Category, text, kind());
    if (condition == QStringLiteral("简介"))
        return RecordSearch::containing(RecordSearch::By::Description, text, kind());
    if (condition == QStringLiteral("时间"))
        return RecordSearch::dated(DTPicker1->date(), DTPicker2->date(), kind());
    return std::nullopt;
}

void frmFind::cmdFind_Click()
{
    const std::optional<RecordSearch> chosen = search();
    if (!chosen) {
        ShowMsg(QStringLiteral("查找条件只能是: ") + conditions().join(QStringLiteral("、")),
                Msg::OkOnly | Msg::Information);
        return;
    }
    list(*chosen, false);
}

void frmFind::Command1_Click()
{
    list(RecordSearch::all(kind()), false);
}

void frmFind::list(const RecordSearch &search, bool keepPlace)
{
    records->fill(search.query(), keepPlace);
    listed_ = search;
    follower_->listed();
}

void frmFind::Refresh()
{
    // The inputs may have been changed since without a search: the list shows what it showed.
    if (listed_)
        list(*listed_, true);
}

void frmFind::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // In twips, as the window was designed: the list is the inner size less 100 wide and
    // 400 high.
    const int w = Twips(width() * 15 - 100);
    const int h = Twips(height() * 15 - 400);
    // A tiny or minimised window would give negative sizes: keep the last layout then.
    if (w <= 0 || h <= 0)
        return;
    lvw->resize(w, h);
    records->placeStatus();
}
