#pragma once

#include <functional>

#include <QDialog>
#include <QImage>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QSlider;
class QTimer;
class QVideoWidget;

// Shows a stored picture, or plays a sound or video file, chosen by its extension.
class frmPlay : public QDialog {
    Q_OBJECT
public:
    enum class Content { Picture, Media, Unsupported };

    explicit frmPlay(QWidget *parent = nullptr);
    ~frmPlay() override;

    QString strFile;

    QLabel *Picture1;
    QLabel *Image1; // never shown
    QWidget *MediaPlayer1;
    QVideoWidget *video;
    QPushButton *playPause;
    QSlider *position;
    QSlider *volume;
    QLabel *time;
    QMediaPlayer *player;
    QAudioOutput *audio;

    // Decides by the text after the last dot, without regard to case.
    static Content contentOf(const QString &path);
    // Loads strFile; false (after telling the user) when it cannot be shown. Showing the
    // window runs it too, unless the opener already did for this showing.
    bool Form_Activate();
    double pictureRatio() const { return ratio_; }
    // The picture as decoded: no larger than the window needs.
    QSize decodedSize() const { return picture_.size(); }
    // The volume the player starts with: -600 hundredths of a decibel.
    static float startVolume();
    // Times playback was started again after it stood still on its first frame.
    int restarts() const { return restarts_; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void done(int result) override;

private:
    void layoutPicture();
    void showMediaError();
    void checkCodecs();
    void probeCodecs(const std::function<void(const QStringList &)> &tell);
    void watchStall();

    QImage picture_;
    QSize natural_; // as shown, EXIF rotation honoured
    double ratio_ = 0;
    bool activated_ = false; // for the present showing
    QTimer *stall_;
    qint64 lastPosition_ = -1;
    int restarts_ = 0;
    bool toldMissing_ = false;
};
