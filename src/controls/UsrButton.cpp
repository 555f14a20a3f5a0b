#include "controls/UsrButton.h"

#include "controls/ButtonToolTip.h"
#include "controls/OleColor.h"
#include "controls/PropertyBag.h"
#include "controls/UsrButtonAbout.h"
#include "controls/LinkOpener.h"

#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

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

UsrButton::UsrButton(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("UsrButton"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover, false);
    setMouseTracking(false);
    font_ = defaultFont();
    backColor_ = plainSystem(OleColor::ButtonFace);
    highlightColor_ = plainSystem(OleColor::Highlight);
    fontColor_ = plainSystem(OleColor::ButtonText);
    fontHighlightColor_ = plainSystem(OleColor::ButtonText);
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
    style_ = 9;
    caption_ = hostName;
    iconSize_ = 16;
    icon_ = QPixmap();
    showFocus_ = false;
    useCustomColors_ = false;
    enabled_ = true;
    backColor_ = plainSystem(OleColor::ButtonFace);
    highlightColor_ = plainSystem(OleColor::Highlight);
    fontColor_ = plainSystem(OleColor::ButtonText);
    fontHighlightColor_ = plainSystem(OleColor::ButtonText);
    iconAlign_ = captionAlign_ = nonThemeStyle_ = toolTipType_ = buttonType_ = 0;
    toolTipBackColor_ = toolTipForeColor_ = 0;
    value_ = false;
    captionFormat_ = 17;
    font_ = defaultFont();
    update();
}

void UsrButton::ReadProperties(PropertyBag &bag)
{
    state_ = ButtonLook::Normal;
    icon_ = bag.ReadProperty(QStringLiteral("Icon")).value<QPixmap>();
    style_ = bag.ReadProperty(QStringLiteral("Style"), 3).toInt();
    caption_ = bag.ReadProperty(QStringLiteral("Caption"), QString()).toString();
    iconSize_ = bag.ReadProperty(QStringLiteral("IconSize"), 16).toInt();
    captionAlign_ = bag.ReadProperty(QStringLiteral("CaptionAlign"), 0).toInt();
    iconAlign_ = bag.ReadProperty(QStringLiteral("IconAlign"), 0).toInt();
    nonThemeStyle_ = bag.ReadProperty(QStringLiteral("iNonThemeStyle"), 5).toInt();
    enabled_ = bag.ReadProperty(QStringLiteral("Enabled"), true).toBool();
    showFocus_ = bag.ReadProperty(QStringLiteral("ShowFocus"), false).toBool();
    useCustomColors_ = bag.ReadProperty(QStringLiteral("USeCustomColors"), false).toBool();
    backColor_ = bag.ReadProperty(QStringLiteral("BackColor"), plainSystem(OleColor::ButtonFace)).toUInt();
    highlightColor_ = bag.ReadProperty(QStringLiteral("HighlightColor"), plainSystem(OleColor::Highlight)).toUInt();
    fontColor_ = bag.ReadProperty(QStringLiteral("FontColor"), plainSystem(OleColor::ButtonText)).toUInt();
    fontHighlightColor_ = bag.ReadProperty(QStringLiteral("FontHighlightColor"), plainSystem(OleColor::ButtonText)).toUInt();
    toolTip_ = bag.ReadProperty(QStringLiteral("ToolTipText"), QWidget::toolTip()).toString();
    toolTipTitle_ = bag.ReadProperty(QStringLiteral("Tooltiptitle"), QString()).toString();
    toolTipIcon_ = bag.ReadProperty(QStringLiteral("ToolTipIcon"), 0).toInt();
    toolTipType_ = bag.ReadProperty(QStringLiteral("ToolTipType"), 1).toInt();
    toolTipBackColor_ = bag.ReadProperty(QStringLiteral("ttBackColor"), plainSystem(OleColor::ToolTipBackground)).toUInt();
    toolTipForeColor_ = bag.ReadProperty(QStringLiteral("ttForeColor"), plainSystem(OleColor::ToolTipText)).toUInt();
    font_ = bag.ReadProperty(QStringLiteral("Font"), font_).value<QFont>();
    buttonType_ = bag.ReadProperty(QStringLiteral("ButtonType"), 0).toInt();
    value_ = bag.ReadProperty(QStringLiteral("Value"), false).toBool();
    QWidget::setEnabled(enabled_);
    relayout();
}

void UsrButton::WriteProperties(PropertyBag &bag) const
{
    bag.WriteProperty(QStringLiteral("Icon"), QVariant::fromValue(icon_));
    bag.WriteProperty(QStringLiteral("Style"), style_, 3);
    bag.WriteProperty(QStringLiteral("Caption"), caption_, QString());
    bag.WriteProperty(QStringLiteral("IconSize"), iconSize_, 16);
    bag.WriteProperty(QStringLiteral("IconAlign"), iconAlign_, 0);
    bag.WriteProperty(QStringLiteral("CaptionAlign"), captionAlign_, 0);
    bag.WriteProperty(QStringLiteral("iNonThemeStyle"), nonThemeStyle_, 5);
    bag.WriteProperty(QStringLiteral("Enabled"), enabled_, true);
    bag.WriteProperty(QStringLiteral("ShowFocus"), showFocus_, false);
    bag.WriteProperty(QStringLiteral("USeCustomColors"), useCustomColors_, false);
    bag.WriteProperty(QStringLiteral("BackColor"), backColor_, plainSystem(OleColor::ButtonFace));
    bag.WriteProperty(QStringLiteral("HighlightColor"), highlightColor_, plainSystem(OleColor::Highlight));
    bag.WriteProperty(QStringLiteral("FontColor"), fontColor_, plainSystem(OleColor::ButtonText));
    bag.WriteProperty(QStringLiteral("FontHighlightColor"), fontHighlightColor_, plainSystem(OleColor::ButtonText));
    bag.WriteProperty(QStringLiteral("ToolTipText"), toolTip_, QWidget::toolTip());
    bag.WriteProperty(QStringLiteral("Tooltiptitle"), toolTipTitle_);
    bag.WriteProperty(QStringLiteral("ToolTipIcon"), toolTipIcon_);
    bag.WriteProperty(QStringLiteral("ToolTipType"), toolTipType_);
    bag.WriteProperty(QStringLiteral("ttBackColor"), toolTipBackColor_, plainSystem(OleColor::ToolTipBackground));
    bag.WriteProperty(QStringLiteral("ttForeColor"), toolTipForeColor_, plainSystem(OleColor::ToolTipText));
    bag.WriteProperty(QStringLiteral("Font"), font_);
    bag.WriteProperty(QStringLiteral("ButtonType"), buttonType_, 0);
    bag.WriteProperty(QStringLiteral("Value"), value_, false);
}

void UsrButton::notify(const char *name)
{
    emit PropertyChanged(QLatin1String(name));
}

#define MC_LAYOUT_PROPERTY(setter, field, type, name)                                                                 \
    void UsrButton::setter(type v)                                                                                     \
    {                                                                                                                  \
        field = v;                                                                                                     \
        notify(name);                                                                                                  \
        relayout();                                                                                                    \
    }
#define MC_PAINT_PROPERTY(setter, field, type, name)                                                                  \
    void UsrButton::setter(type v)                                                                                     \
    {                                                                                                                  \
        field = v;                                                                                                     \
        notify(name);                                                                                                  \
        Refresh();                                                                                                     \
    }

MC_LAYOUT_PROPERTY(setStyle, style_, int, "Style")
MC_LAYOUT_PROPERTY(setCaption, caption_, const QString &, "Caption")
MC_LAYOUT_PROPERTY(setIcon, icon_, const QPixmap &, "Icon")
MC_LAYOUT_PROPERTY(setIconAlign, iconAlign_, int, "IconAlign")
MC_LAYOUT_PROPERTY(setIconSize, iconSize_, int, "IconSize")
MC_LAYOUT_PROPERTY(setCaptionAlign, captionAlign_, int, "CaptionAlign")
MC_LAYOUT_PROPERTY(setNonThemeStyle, nonThemeStyle_, int, "NonThemeStyle")
MC_PAINT_PROPERTY(setShowFocus, showFocus_, bool, "ShowFocus")
MC_PAINT_PROPERTY(setUseCustomColors, useCustomColors_, bool, "UseCustomColors")
MC_PAINT_PROPERTY(setBackColor, backColor_, quint32, "BackColor")
MC_PAINT_PROPERTY(setHighlightColor, highlightColor_, quint32, "HighlightColor")
MC_PAINT_PROPERTY(setFontColor, fontColor_, quint32, "FontColor")
MC_PAINT_PROPERTY(setFontHighlightColor, fontHighlightColor_, quint32, "FontHighlightColor")
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
    font_ = font;
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
    captionFormat_ = ButtonPainter::captionFlags(captionAlign_);
    setMask(ButtonPainter::shape(style_, width(), height()));
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
        if (g_designMode && style_ != 5)
            state_ = ButtonLook::Hot;
        if (buttonType_ == 1 && value_)
            state_ = ButtonLook::Pressed;
        if (!enabled_)
            state_ = ButtonLook::Disabled;
    }
    ButtonLook look;
    look.state = state_;
    look.focused = focused_;
    look.style = style_;
    look.useCustomColors = useCustomColors_;
    look.showFocus = showFocus_;
    look.backColor = backColor_;
    look.highlightColor = highlightColor_;
    look.fontColor = fontColor_;
    look.fontHighlightColor = fontHighlightColor_;
    look.caption = caption_;
    look.captionFlags = captionFormat_;
    look.icon = icon_;
    look.iconAlign = iconAlign_;
    look.iconSize = iconSize_;
    look.font = font_;
    return look;
}

QImage UsrButton::render()
{
    QImage img(size(), QImage::Format_RGB32);
    img.fill(OleColor::toQColor(OleColor::system(OleColor::ButtonFace)));
    look_ = correctedLook();
    ButtonPainter painter(img);
    if (!painter.paint(look_, g_themeAvailable) && style_ == 6) {
        style_ = nonThemeStyle_; // for good: a later save stores the replacement
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
