#include "controls/UsrButton.h"

#include "controls/ButtonToolTip.h"
#include "controls/LinkOpener.h"
#include "controls/OleColor.h"
#include "controls/PropertyBag.h"
#include "controls/UsrButtonAbout.h"

#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <type_traits>

namespace {
bool g_designMode = false;
bool g_themeAvailable = true;
constexpr int kMinSize = 20; // 300 twips

quint32 plainSystem(quint32 index)
{
    return OleColor::translate(OleColor::system(index));
}

QFont defaultFont()
{
    QFont f(QStringLiteral("Verdana"));
    f.setPointSizeF(8.25);
    return f;
}
} // namespace

void UsrButton::setDesignMode(bool design)
{
    g_designMode = design;
}

void UsrButton::setThemeAvailable(bool available)
{
    g_themeAvailable = available;
}

namespace {
template <class T> std::function<QVariant(const UsrButton &)> fixed(T value)
{
    return [value](const UsrButton &) { return QVariant::fromValue(value); };
}

std::function<QVariant(const UsrButton &)> systemColour(quint32 index)
{
    return [index](const UsrButton &) { return QVariant::fromValue(plainSystem(index)); };
}

template <class T> std::function<QVariant()> starts(T value)
{
    return [value] { return QVariant::fromValue(value); };
}

std::function<QVariant()> startsSystem(quint32 index)
{
    return [index] { return QVariant::fromValue(plainSystem(index)); };
}
} // namespace

const std::vector<UsrButton::Stored> &UsrButton::storedProperties()
{
    // A field of the control's own, or one of the fields it draws.
    const auto entry = [](const char *key, auto member, std::function<QVariant(const UsrButton &)> readDefault,
                          bool writtenWithDefault, std::function<QVariant()> initial) {
        const auto field = [member](auto &b) -> auto &
        {
            if constexpr (std::is_invocable_v<decltype(member), const ButtonLook &>)
                return b.drawn_.*member;
            else
                return b.*member;
        };
        using T = std::decay_t<decltype(field(std::declval<UsrButton &>()))>;
        return Stored{key,
                      [field](const UsrButton &b) { return QVariant::fromValue(field(b)); },
                      [field](UsrButton &b, const QVariant &v) { field(b) = v.value<T>(); },
                      std::move(readDefault),
                      writtenWithDefault,
                      std::move(initial)};
    };
    static const std::vector<Stored> table = {
        entry("Icon", &ButtonLook::icon, {}, false, starts(QPixmap())),
        entry("Style", &ButtonLook::style, fixed(3), true, starts(9)),
        entry("Caption", &ButtonLook::caption, fixed(QString()), true, starts(QString())),
        entry("IconSize", &ButtonLook::iconSize, fixed(16), true, starts(16)),
        entry("CaptionAlign", &UsrButton::captionAlign_, fixed(0), true, starts(0)),
        entry("IconAlign", &ButtonLook::iconAlign, fixed(0), true, starts(0)),
        entry("iNonThemeStyle", &UsrButton::nonThemeStyle_, fixed(5), true, starts(0)),
        entry("Enabled", &UsrButton::enabled_, fixed(true), true, starts(true)),
        entry("ShowFocus", &ButtonLook::showFocus, fixed(false), true, starts(false)),
        entry("USeCustomColors", &ButtonLook::useCustomColors, fixed(false), true, starts(false)),
        entry("BackColor", &ButtonLook::backColor, systemColour(OleColor::ButtonFace), true,
              startsSystem(OleColor::ButtonFace)),
        entry("HighlightColor", &ButtonLook::highlightColor, systemColour(OleColor::Highlight), true,
              startsSystem(OleColor::Highlight)),
        entry("FontColor", &ButtonLook::fontColor, systemColour(OleColor::ButtonText), true,
              startsSystem(OleColor::ButtonText)),
        entry("FontHighlightColor", &ButtonLook::fontHighlightColor, systemColour(OleColor::ButtonText), true,
              startsSystem(OleColor::ButtonText)),
        // The host's own tool-tip text is the default, and a new instance keeps its tip.
        entry("ToolTipText", &UsrButton::toolTip_, [](const UsrButton &b) { return QVariant(b.QWidget::toolTip()); }, true,
              {}),
        entry("Tooltiptitle", &UsrButton::toolTipTitle_, fixed(QString()), false, {}),
        entry("ToolTipIcon", &UsrButton::toolTipIcon_, fixed(0), false, {}),
        entry("ToolTipType", &UsrButton::toolTipType_, fixed(1), false, starts(0)),
        entry("ttBackColor", &UsrButton::toolTipBackColor_, systemColour(OleColor::ToolTipBackground), true, starts(0u)),
        entry("ttForeColor", &UsrButton::toolTipForeColor_, systemColour(OleColor::ToolTipText), true, starts(0u)),
        // Read with the font in use as its default.
        entry(
            "Font", &ButtonLook::font, [](const UsrButton &b) { return QVariant(b.drawn_.font); }, false,
            [] { return QVariant(defaultFont()); }),
        entry("ButtonType", &UsrButton::buttonType_, fixed(0), true, starts(0)),
        entry("Value", &UsrButton::value_, fixed(false), true, starts(false)),
    };
    return table;
}

void UsrButton::startAsNew()
{
    for (const Stored &p : storedProperties())
        if (p.initial)
            p.set(*this, p.initial());
    drawn_.captionFlags = kCaptionCentredWrap;
}

UsrButton::UsrButton(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("UsrButton"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover, false);
    setMouseTracking(false);
    startAsNew();
    setMinimumSize(kMinSize, kMinSize);
    resize(75, 23);
}

UsrButton::~UsrButton()
{
    delete tip_;
    delete about_;
}

void UsrButton::InitProperties(const QString &hostName)
{
    startAsNew();
    drawn_.caption = hostName;
    update();
}

void UsrButton::ReadProperties(PropertyBag &bag)
{
    state_ = ButtonLook::Normal;
    for (const Stored &p : storedProperties()) {
        const QString key = QLatin1String(p.key);
        p.set(*this, p.readDefault ? bag.ReadProperty(key, p.readDefault(*this)) : bag.ReadProperty(key));
    }
    QWidget::setEnabled(enabled_);
    relayout();
}

void UsrButton::WriteProperties(PropertyBag &bag) const
{
    const std::vector<Stored> &table = storedProperties();
    // Written in reading order, except that IconAlign goes before CaptionAlign.
    std::vector<const Stored *> order;
    for (const Stored &p : table)
        order.push_back(&p);
    const auto at = [&order](const char *key) {
        return std::find_if(order.begin(), order.end(), [key](const Stored *p) { return qstrcmp(p->key, key) == 0; });
    };
    std::iter_swap(at("CaptionAlign"), at("IconAlign"));
    for (const Stored *p : order) {
        const QString key = QLatin1String(p->key);
        if (p->writtenWithDefault)
            bag.WriteProperty(key, p->get(*this), p->readDefault(*this));
        else
            bag.WriteProperty(key, p->get(*this));
    }
}

void UsrButton::notify(const char *name)
{
    emit PropertyChanged(QLatin1String(name));
}

#define MC_LAYOUT_PROPERTY(setter, field, type, name)                                                                       \
    void UsrButton::setter(type v)                                                                                          \
    {                                                                                                                       \
        field = v;                                                                                                          \
        notify(name);                                                                                                       \
        relayout();                                                                                                         \
    }
#define MC_PAINT_PROPERTY(setter, field, type, name)                                                                        \
    void UsrButton::setter(type v)                                                                                          \
    {                                                                                                                       \
        field = v;                                                                                                          \
        notify(name);                                                                                                       \
        Refresh();                                                                                                          \
    }

MC_LAYOUT_PROPERTY(setStyle, drawn_.style, int, "Style")
MC_LAYOUT_PROPERTY(setCaption, drawn_.caption, const QString &, "Caption")
MC_LAYOUT_PROPERTY(setIcon, drawn_.icon, const QPixmap &, "Icon")
MC_LAYOUT_PROPERTY(setIconAlign, drawn_.iconAlign, int, "IconAlign")
MC_LAYOUT_PROPERTY(setIconSize, drawn_.iconSize, int, "IconSize")
MC_LAYOUT_PROPERTY(setCaptionAlign, captionAlign_, int, "CaptionAlign")
MC_LAYOUT_PROPERTY(setNonThemeStyle, nonThemeStyle_, int, "NonThemeStyle")
MC_PAINT_PROPERTY(setShowFocus, drawn_.showFocus, bool, "ShowFocus")
MC_PAINT_PROPERTY(setUseCustomColors, drawn_.useCustomColors, bool, "UseCustomColors")
MC_PAINT_PROPERTY(setBackColor, drawn_.backColor, quint32, "BackColor")
MC_PAINT_PROPERTY(setHighlightColor, drawn_.highlightColor, quint32, "HighlightColor")
MC_PAINT_PROPERTY(setFontColor, drawn_.fontColor, quint32, "FontColor")
MC_PAINT_PROPERTY(setFontHighlightColor, drawn_.fontHighlightColor, quint32, "FontHighlightColor")
MC_PAINT_PROPERTY(setToolTipText, toolTip_, const QString &, "ToolTipText")
MC_PAINT_PROPERTY(setToolTipTitle, toolTipTitle_, const QString &, "TooltipTitle")
MC_PAINT_PROPERTY(setToolTipIcon, toolTipIcon_, int, "TooltipIcon")
MC_PAINT_PROPERTY(setToolTipType, toolTipType_, int, "ToolTipType")
MC_PAINT_PROPERTY(setToolTipBackColor, toolTipBackColor_, quint32, "ToolTipBackColor")
MC_PAINT_PROPERTY(setToolTipForeColor, toolTipForeColor_, quint32, "ToolTipForeColor")
MC_PAINT_PROPERTY(setButtonType, buttonType_, int, "ButtonType")
MC_PAINT_PROPERTY(setValue, value_, bool, "Value")

#undef MC_LAYOUT_PROPERTY
#undef MC_PAINT_PROPERTY

void UsrButton::setEnabledProperty(bool enabled)
{
    enabled_ = enabled;
    state_ = ButtonLook::Normal;
    Refresh();
    notify("Enabled");
    QWidget::setEnabled(enabled);
}

void UsrButton::setFontProperty(const QFont &font)
{
    drawn_.font = font;
    Refresh();
    notify("Font");
}

int UsrButton::OpenLink(const QString &link)
{
    // The shell's success values are above 32; 31 says no program is associated.
    return LinkOpener::open(link) ? 33 : 31;
}

void UsrButton::About()
{
    if (!about_)
        about_ = new UsrButtonAbout(Version());
    about_->show();
    about_->raise();
}

QWidget *UsrButton::aboutWindow() const
{
    return about_;
}

void UsrButton::Refresh()
{
    update();
}

void UsrButton::relayout()
{
    drawn_.captionFlags = ButtonPainter::captionFlags(captionAlign_);
    setMask(ButtonPainter::shape(drawn_.style, width(), height()));
    Refresh();
}

void UsrButton::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (width() < kMinSize || height() < kMinSize) {
        resize(qMax(width(), kMinSize), qMax(height(), kMinSize));
        return;
    }
    relayout();
}

ButtonLook UsrButton::correctedLook()
{
    if (!previewing_) {
        if (g_designMode && drawn_.style != 5)
            state_ = ButtonLook::Hot;
        if (buttonType_ == 1 && value_)
            state_ = ButtonLook::Pressed;
        if (!enabled_)
            state_ = ButtonLook::Disabled;
    }
    ButtonLook look = drawn_;
    look.state = state_;
    look.focused = focused_;
    return look;
}

QImage UsrButton::render()
{
    QImage img(size(), QImage::Format_RGB32);
    img.fill(OleColor::toQColor(OleColor::system(OleColor::ButtonFace)));
    look_ = correctedLook();
    ButtonPainter painter(img);
    if (!painter.paint(look_, g_themeAvailable) && drawn_.style == 6) {
        drawn_.style = nonThemeStyle_; // for good: a later save stores the replacement
        relayout();
    }
    return img;
}

void UsrButton::paintEvent(QPaintEvent *)
{
    const QImage img = render();
    QPainter p(this);
    p.drawImage(0, 0, img);
}

void UsrButton::preview(int state, bool focused)
{
    previewing_ = true;
    state_ = state;
    focused_ = focused;
    Refresh();
}

void UsrButton::press()
{
    state_ = ButtonLook::Pressed;
    Refresh();
}

void UsrButton::release(Qt::MouseButton button)
{
    state_ = (buttonType_ == 1 && !value_) ? ButtonLook::Pressed : ButtonLook::Hot;
    Refresh();
    lastButton_ = button;
}

void UsrButton::clickAction()
{
    if (lastButton_ != Qt::LeftButton)
        return;
    if (buttonType_ == 1) {
        value_ = !value_;
        state_ = ButtonLook::Hot;
        Refresh();
    }
    emit Click();
}

void UsrButton::mousePressEvent(QMouseEvent *event)
{
    pressedByDoubleClick_ = false;
    if (event->button() == Qt::LeftButton)
        press();
}

void UsrButton::mouseReleaseEvent(QMouseEvent *event)
{
    const bool left = event->button() == Qt::LeftButton;
    if (left)
        release(Qt::LeftButton);
    lastButton_ = event->button();
    // The platform's click follows a release over the control, but not the release that
    // ends a double click.
    if (left && !pressedByDoubleClick_ && rect().contains(event->position().toPoint()))
        clickAction();
    pressedByDoubleClick_ = false;
}

void UsrButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    pressedByDoubleClick_ = true;
    if (event->button() == Qt::LeftButton && lastButton_ == Qt::LeftButton)
        press();
}

void UsrButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (event->isAutoRepeat())
        return; // held down: stays pressed, one click only
    press();
    lastButton_ = Qt::LeftButton;
    clickAction();
}

void UsrButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space || event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    release(Qt::LeftButton);
}

void UsrButton::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    focused_ = true;
    Refresh();
}

void UsrButton::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    focused_ = false;
    Refresh();
}

void UsrButton::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (g_designMode || mouseInside_)
        return;
    mouseInside_ = true;
    state_ = ButtonLook::Hot;
    Refresh();
    emit MouseEnter();
    // The tool tip is rebuilt at every entry, so property changes show at the next one.
    delete tip_;
    tip_ = nullptr;
    if (!toolTip_.isEmpty() || !toolTipTitle_.isEmpty()) {
        tip_ = new ButtonToolTip(this, toolTip_, toolTipTitle_, toolTipIcon_, toolTipType_ == 1, toolTipBackColor_,
                                 toolTipForeColor_);
        const QPoint at = event->globalPosition().toPoint();
        QPointer<ButtonToolTip> tip = tip_;
        QTimer::singleShot(500, this, [this, tip, at] {
            if (tip && mouseInside_)
                tip->showNear(at);
        });
    }
}

void UsrButton::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (g_designMode)
        return;
    mouseInside_ = false;
    state_ = ButtonLook::Normal;
    if (tip_)
        tip_->hide();
    Refresh();
    emit MouseLeave();
}

void UsrButton::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        Refresh();
}

void UsrButton::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The control shows its own tip, so the host's text moves over to it.
    if (!QWidget::toolTip().isEmpty()) {
        toolTip_ = QWidget::toolTip();
        QWidget::setToolTip(QString());
    }
}

void UsrButton::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    QWidget::setToolTip(toolTip_);
}
