#pragma once

#include "controls/ButtonPainter.h"
#include "controls/ButtonToolTip.h"
#include "controls/UsrButtonAbout.h"

#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

class PropertyBag;

// An owner-drawn push or toggle button in eleven styles, with hot tracking and a tool tip
// of its own.
class UsrButton : public QWidget {
    Q_OBJECT
public:
    explicit UsrButton(QWidget *parent = nullptr);
    ~UsrButton() override;

    // A new instance as placed on a window at design time (style 9, Verdana 8.25 point).
    void InitProperties(const QString &hostName);
    void ReadProperties(PropertyBag &bag);
    void WriteProperties(PropertyBag &bag) const;

    QString Version() const { return QStringLiteral("3.0"); }
    int Style() const { return drawn_.style; }
    void setStyle(int style);
    QString Caption() const { return drawn_.caption; }
    void setCaption(const QString &caption);
    QPixmap Icon() const { return drawn_.icon; }
    void setIcon(const QPixmap &icon);
    int IconAlign() const { return drawn_.iconAlign; }
    void setIconAlign(int align);
    int IconSize() const { return drawn_.iconSize; }
    void setIconSize(int size);
    int CaptionAlign() const { return captionAlign_; }
    void setCaptionAlign(int align);
    int NonThemeStyle() const { return nonThemeStyle_; }
    void setNonThemeStyle(int style);
    bool Enabled() const { return enabled_; }
    void setEnabledProperty(bool enabled);
    bool ShowFocus() const { return drawn_.showFocus; }
    void setShowFocus(bool on);
    bool UseCustomColors() const { return drawn_.useCustomColors; }
    void setUseCustomColors(bool on);
    quint32 BackColor() const { return drawn_.backColor; }
    void setBackColor(quint32 c);
    quint32 HighlightColor() const { return drawn_.highlightColor; }
    void setHighlightColor(quint32 c);
    quint32 FontColor() const { return drawn_.fontColor; }
    void setFontColor(quint32 c);
    quint32 FontHighlightColor() const { return drawn_.fontHighlightColor; }
    void setFontHighlightColor(quint32 c);
    QString ToolTip() const { return toolTip_; }
    void setToolTipText(const QString &text);
    QString ToolTipTitle() const { return toolTipTitle_; }
    void setToolTipTitle(const QString &title);
    int ToolTipIcon() const { return toolTipIcon_; }
    void setToolTipIcon(int icon);
    int ToolTipType() const { return toolTipType_; }
    void setToolTipType(int type);
    quint32 ToolTipBackColor() const { return toolTipBackColor_; }
    void setToolTipBackColor(quint32 c);
    quint32 ToolTipForeColor() const { return toolTipForeColor_; }
    void setToolTipForeColor(quint32 c);
    QFont Font() const { return drawn_.font; }
    void setFontProperty(const QFont &font);
    int ButtonType() const { return buttonType_; }
    void setButtonType(int type);
    bool Value() const { return value_; }
    void setValue(bool value);

    int OpenLink(const QString &link);
    void About();
    void Refresh();

    // What the last repaint drew, and the control drawn into an image (for tests and the gallery).
    const ButtonLook &lastLook() const { return look_; }
    QImage render();
    int state() const { return state_; }
    int captionFormat() const { return drawn_.captionFlags; }
    bool mouseInside() const { return mouseInside_; }
    ButtonToolTip *toolTipWindow() const { return tip_; }
    QWidget *aboutWindow() const;

    // Preview of a look without input (gallery): state 1..4 and the focus flag.
    void preview(int state, bool focused);

    // Host ambient values: design mode, and whether the platform's visual style can draw.
    static void setDesignMode(bool design);
    static void setThemeAvailable(bool available);

signals:
    void Click();
    void MouseEnter();
    void MouseLeave();
    void PropertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void notify(const char *name);
    void relayout();
    void press();
    void release(Qt::MouseButton button);
    void clickAction();
    ButtonLook correctedLook();

    // One stored property: its key in the host's store, how it is read and written, and
    // what a new instance starts with.
    struct Stored {
        const char *key;
        std::function<QVariant(const UsrButton &)> get;
        std::function<void(UsrButton &, const QVariant &)> set;
        // The default a read falls back on.
        std::function<QVariant(const UsrButton &)> readDefault;
        // Written with that default (skipped when equal), or always written.
        bool writtenWithDefault;
        // A new instance's value; empty: left as it is.
        std::function<QVariant()> initial;
    };
    // In reading order.
    static const std::vector<Stored> &storedProperties();
    void startAsNew();

    int state_ = ButtonLook::Normal;
    bool focused_ = false;
    int nonThemeStyle_ = 0;
    int captionAlign_ = 0;
    bool enabled_ = false;
    QString toolTip_;
    QString toolTipTitle_;
    int toolTipIcon_ = 0;
    int toolTipType_ = 0;
    quint32 toolTipBackColor_ = 0;
    quint32 toolTipForeColor_ = 0;
    int buttonType_ = 0;
    bool value_ = false;
    Qt::MouseButton lastButton_ = Qt::NoButton;
    bool pressedByDoubleClick_ = false;
    bool mouseInside_ = false;
    bool previewing_ = false;
    // The fields that a repaint draws; state and focus are corrected into each look.
    ButtonLook drawn_;
    ButtonLook look_;
    QPointer<ButtonToolTip> tip_;
    QPointer<UsrButtonAbout> about_;
};
