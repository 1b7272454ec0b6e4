#include "app/ui/about_window.h"

#include "app/ui/main_window.h"
#include "widgets/ui_services.h"

#include <QApplication>
#include <QIcon>
#include <QDir>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

namespace {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(x, y, w, 20);
    label->setAttribute(Qt::WA_TranslucentBackground);
    return label;
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("关于软件..."));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(387, 163);
    setModal(true);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setGeometry(24, 20, 32, 32);
    const QIcon picture = QApplication::windowIcon().isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                                               : QApplication::windowIcon();
    icon->setPixmap(picture.pixmap(QSize(32, 32), devicePixelRatioF()));

    auto* name = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("《Tovrakel》"), 72, 22, 260);
    QFont big = name->font();
    big.setPixelSize(20);
    big.setBold(true);
    name->setFont(big);
    name->setFixedHeight(30);

    makeLabel(this, QStringLiteral("Label6"), QStringLiteral("Email："), 72, 64, 56);
    m_mail = makeLabel(this, QStringLiteral("Label7"), kSupportMail, 128, 64, 220);
    makeLabel(this, QStringLiteral("Label5"), QStringLiteral("网 站："), 72, 88, 56);
    m_site = makeLabel(this, QStringLiteral("Label3"), kWebSite, 128, 88, 220);
    for (QLabel* link : {m_mail, m_site}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setToolTip(QStringLiteral("Brenvik"));
        link->setStyleSheet(QStringLiteral("color: #0645ad; text-decoration: underline;"));
        link->installEventFilter(this);
    }

    m_dataPath = makeLabel(this, QStringLiteral("DataPath"), QString(), 16, 128, 270);
    m_dataPath->setStyleSheet(QStringLiteral("color: #555;"));

    auto* ok = new QPushButton(QStringLiteral("确 定"), this);
    ok->setObjectName(QStringLiteral("Button1"));
    ok->setGeometry(296, 124, 75, 28);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutWindow::setLedger(const QString& description) {
    const QString& text = description;
    m_dataPath->setToolTip(text);
    m_dataPath->setText(m_dataPath->fontMetrics().elidedText(text, Qt::ElideMiddle, m_dataPath->width()));
}

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == m_mail) {
            ui().openUrl(QStringLiteral("mailto:") + kSupportMail);
            return true;
        }
        if (watched == m_site) {
            ui().openUrl(kWebSite);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The background picture: a soft paper gradient with a thin accent band.
void AboutWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(250, 250, 255));
    g.setColorAt(1, QColor(222, 230, 245));
    p.fillRect(rect(), g);
    p.fillRect(QRect(0, 0, 8, height()), QColor(0, 102, 204));
}
