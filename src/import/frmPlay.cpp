#include "import/frmPlay.h"

#include "store/Services.h"
#include "store/StoredName.h"
#include "store/SystemErrorText.h"
#include "ui/MediaProbe.h"
#include "ui/PictureReader.h"
#include "ui/WindowServices.h"

#include <QAudioOutput>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaPlayer>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QShowEvent>
#include <QSlider>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>
#include <cmath>

namespace {
QString clock(qint64 ms)
{
    const qint64 s = ms / 1000;
    return QStringLiteral("%1:%2").arg(s / 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

frmPlay::frmPlay(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPlay"));
    setWindowTitle(QStringLiteral("播放器"));
    resize(Twips(7635), Twips(4815));
    setSizeGripEnabled(true);

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAlignment(Qt::AlignCenter);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->hide();

    MediaPlayer1 = new QWidget(this);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    video = new QVideoWidget(MediaPlayer1);
    video->setAspectRatioMode(Qt::KeepAspectRatio);
    playPause = new QPushButton(QStringLiteral("暂停"), MediaPlayer1);
    playPause->setObjectName(QStringLiteral("playPause"));
    position = new QSlider(Qt::Horizontal, MediaPlayer1);
    position->setObjectName(QStringLiteral("position"));
    volume = new QSlider(Qt::Horizontal, MediaPlayer1);
    volume->setObjectName(QStringLiteral("volume"));
    volume->setRange(0, 100);
    volume->setMaximumWidth(90);
    time = new QLabel(clock(0) + QStringLiteral(" / ") + clock(0), MediaPlayer1);
    auto *controls = new QHBoxLayout;
    controls->addWidget(playPause);
    controls->addWidget(position, 1);
    controls->addWidget(time);
    controls->addWidget(new QLabel(QStringLiteral("音量"), MediaPlayer1));
    controls->addWidget(volume);
    auto *column = new QVBoxLayout(MediaPlayer1);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(video, 1);
    column->addLayout(controls);

    player = new QMediaPlayer(this);
    audio = new QAudioOutput(this);
    audio->setVolume(startVolume());
    volume->setValue(int(std::lround(startVolume() * 100)));
    player->setAudioOutput(audio);
    player->setVideoOutput(video);
    player->setLoops(1);

    connect(playPause, &QPushButton::clicked, this, [this] {
        if (player->playbackState() == QMediaPlayer::PlayingState)
            player->pause();
        else
            player->play();
    });
    connect(player, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState s) {
        playPause->setText(s == QMediaPlayer::PlayingState ? QStringLiteral("暂停") : QStringLiteral("播放"));
    });
    const auto showTime = [this] {
        time->setText(clock(player->position()) + QStringLiteral(" / ") + clock(player->duration()));
    };
    connect(player, &QMediaPlayer::durationChanged, this, [this, showTime](qint64 d) {
        position->setRange(0, int(d));
        showTime();
    });
    connect(player, &QMediaPlayer::positionChanged, this, [this, showTime](qint64 p) {
        if (!position->isSliderDown())
            position->setValue(int(p));
        showTime();
    });
    connect(player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::LoadedMedia)
            checkCodecs();
    });
    // Qt's GStreamer player sometimes stands still on the first frame when the video window
    // comes up while the pipeline starts; starting again gets it going.
    stall_ = new QTimer(this);
    stall_->setInterval(1200);
    connect(stall_, &QTimer::timeout, this, [this] { watchStall(); });
    connect(position, &QSlider::sliderMoved, player, [this](int p) { player->setPosition(p); });
    connect(volume, &QSlider::valueChanged, audio, [this](int v) { audio->setVolume(float(v) / 100.0f); });
    connect(player, &QMediaPlayer::errorOccurred, this, [this] { showMediaError(); });

    MediaPlayer1->hide();
    Picture1->hide();
}

frmPlay::~frmPlay()
{
    player->stop();
}

float frmPlay::startVolume()
{
    return float(std::pow(10.0, -600.0 / 100.0 / 20.0));
}

frmPlay::Content frmPlay::contentOf(const QString &path)
{
    const QString name = LastPathPart(path);
    if (PictureReader::isPicture(name))
        return Content::Picture;
    static const QSet<QByteArray> media = {"mp3", "wav",  "avi",  "mp4", "m4a", "m4v", "mpeg", "mpg",  "ogg", "oga",
                                           "ogv", "opus", "flac", "aac", "wma", "wmv", "mkv",  "webm", "mov", "3gp"};
    if (name.contains(QLatin1Char('.')) && media.contains(StoredName::extension(name).toLower().toUtf8()))
        return Content::Media;
    return Content::Unsupported;
}

bool frmPlay::Form_Activate()
{
    activated_ = true;
    MediaPlayer1->hide();
    Picture1->hide();
    picture_ = QImage();
    switch (contentOf(strFile)) {
    case Content::Picture: {
        // Decoded at the size the window shows; the ratio comes from the picture's own size.
        PictureReader reader(strFile);
        picture_ = reader.read(size());
        if (picture_.isNull()) {
            ShowMsg(QStringLiteral("无法读取图片 %1: %2")
                        .arg(QDir::toNativeSeparators(strFile), SystemErrorText::explain(reader.errorString())),
                    Msg::OkOnly | Msg::Information);
            activated_ = false;
            return false;
        }
        natural_ = reader.naturalSize().isValid() ? reader.naturalSize() : picture_.size();
        ratio_ = double(natural_.width()) / double(natural_.height());
        Picture1->show();
        break;
    }
    case Content::Media:
        MediaPlayer1->show();
        toldMissing_ = false;
        lastPosition_ = -1;
        player->setSource(QUrl::fromLocalFile(strFile));
        player->play();
        stall_->start();
        break;
    case Content::Unsupported:
        ShowMsg(QStringLiteral("不支持该扩展名播放!"), Msg::OkOnly | Msg::Information);
        activated_ = false;
        return false;
    }
    resizeEvent(nullptr);
    return true;
}

void frmPlay::layoutPicture()
{
    if (picture_.isNull() || width() <= 0 || height() <= 0)
        return;
    Picture1->setGeometry(rect());
    // Whole picture, scaled down to fit with its proportions kept, never enlarged.
    QSize target = natural_;
    if (target.width() > width() || target.height() > height())
        target.scale(size(), Qt::KeepAspectRatio);
    if (target.width() > picture_.width() || target.height() > picture_.height()) {
        // The window grew beyond what was decoded: decode again, with room to grow a little.
        const QImage larger = PictureReader(strFile).read(target * 1.5);
        if (!larger.isNull())
            picture_ = larger;
    }
    Picture1->setPixmap(QPixmap::fromImage(
        target == picture_.size() ? picture_ : picture_.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void frmPlay::resizeEvent(QResizeEvent *event)
{
    if (event)
        QDialog::resizeEvent(event);
    MediaPlayer1->setGeometry(rect());
    layoutPicture();
}

void frmPlay::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous() && !activated_ && !Form_Activate())
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
}

void frmPlay::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        activated_ = false; // the next showing activates again
}

void frmPlay::watchStall()
{
    const qint64 now = player->position();
    const bool standing =
        player->playbackState() == QMediaPlayer::PlayingState && now == lastPosition_ &&
        (player->duration() <= 0 || now < player->duration() - 200) &&
        (player->mediaStatus() == QMediaPlayer::BufferedMedia || player->mediaStatus() == QMediaPlayer::LoadedMedia);
    lastPosition_ = now;
    if (!standing || restarts_ >= 3)
        return;
    ++restarts_;
    player->pause();
    player->play();
}

void frmPlay::probeCodecs(const std::function<void(const QStringList &)> &tell)
{
    // Each probe may wait seconds for GStreamer: it runs away from the interface, and its
    // answer is told only while this window still plays the file it was asked about.
    QPointer<frmPlay> self(this);
    const QString file = strFile;
    QThreadPool::globalInstance()->start([self, file, tell] {
        const QStringList missing = MediaProbe::missing(file);
        QMetaObject::invokeMethod(qApp, [self, file, tell, missing] {
            if (self && self->strFile == file)
                tell(missing);
        });
    });
}

void frmPlay::checkCodecs()
{
    // Qt's player leaves out a stream it has no decoder for without a word.
    probeCodecs([this](const QStringList &missing) {
        if (missing.isEmpty() || toldMissing_ || !isVisible())
            return;
        toldMissing_ = true;
        ShowMsg(QStringLiteral("%1 的部分内容无法播放,缺少:\n%2\n请安装上述软件包后再试.")
                    .arg(QDir::toNativeSeparators(strFile), missing.join(QLatin1Char('\n'))),
                Msg::OkOnly | Msg::Information);
    });
}

void frmPlay::showMediaError()
{
    stall_->stop();
    toldMissing_ = true; // this message names what is missing
    const QString text = QStringLiteral("无法播放 %1: %2")
                             .arg(QDir::toNativeSeparators(strFile), SystemErrorText::explain(player->errorString()));
    probeCodecs([text](const QStringList &missing) {
        ShowMsg(missing.isEmpty()
                    ? text
                    : text + QStringLiteral("\n缺少:\n%1\n请安装上述软件包后再试.").arg(missing.join(QLatin1Char('\n'))),
                Msg::OkOnly | Msg::Information);
    });
}

void frmPlay::done(int result)
{
    player->stop(); // playback ends with the window
    stall_->stop();
    QDialog::done(result);
}
