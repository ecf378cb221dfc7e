#include "FAbout.h"

#include "ProductInfo.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tessaly {

namespace {

// The product picture: a field of tiles with the product's initial, drawn
// here rather than stored as an image file.
QPixmap ProductPicture()
{
    const QSize size(204, 278);
    QPixmap picture(size);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, size.height());
    background.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    background.setColorAt(1, QColor(0x0b, 0x1d, 0x33));
    p.fillRect(picture.rect(), background);
    const int tile = 34;
    for (int row = 0; row * tile < size.height(); ++row) {
        for (int col = 0; col * tile < size.width(); ++col) {
            const int alpha = 20 + ((row * 7 + col * 13) % 5) * 12;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, alpha));
            p.drawRoundedRect(QRectF(col * tile + 3, row * tile + 3, tile - 6, tile - 6), 4, 4);
        }
    }
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(120);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255, 230));
    p.drawText(picture.rect(), Qt::AlignCenter, QString::fromLatin1(ProductName).left(1));
    return picture;
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* parent, std::function<void(const QString&)> openUrl)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      openUrl_(std::move(openUrl)),
      Image1_(new QLabel(this)),
      lblProductName_(new QLabel(this)),
      lblProductVersion_(new QLabel(this)),
      memAbout_(new QLabel(this)),
      lblCopyright1_(new QLabel(this)),
      lblCopyright2_(new QLabel(this)),
      editAbout_(new QPushButton(QStringLiteral("Ok"), this))
{
    setObjectName(QStringLiteral("frmAbout"));
    Image1_->setObjectName(QStringLiteral("Image1"));
    lblProductName_->setObjectName(QStringLiteral("lblProductName"));
    lblProductVersion_->setObjectName(QStringLiteral("lblProductVersion"));
    memAbout_->setObjectName(QStringLiteral("memAbout"));
    lblCopyright1_->setObjectName(QStringLiteral("lblCopyright1"));
    lblCopyright2_->setObjectName(QStringLiteral("lblCopyright2"));
    editAbout_->setObjectName(QStringLiteral("editAbout"));

    Image1_->setPixmap(ProductPicture());
    Image1_->setAlignment(Qt::AlignCenter);
    QFont bold = lblProductName_->font();
    bold.setBold(true);
    lblProductName_->setFont(bold);
    memAbout_->setWordWrap(true);
    memAbout_->setTextFormat(Qt::PlainText);
    memAbout_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblCopyright1_->setTextFormat(Qt::PlainText);
    lblProductName_->setTextFormat(Qt::PlainText);
    lblProductVersion_->setTextFormat(Qt::PlainText);
    lblCopyright2_->setTextFormat(Qt::RichText);
    lblCopyright2_->setCursor(Qt::PointingHandCursor);
    lblCopyright2_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(lblCopyright2_, &QLabel::linkActivated, this, [this](const QString& url) {
        if (openUrl_)
            openUrl_(url);
        else
            QDesktopServices::openUrl(QUrl(url));
    });

    auto* left = new QFrame(this);
    left->setFrameShape(QFrame::StyledPanel);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->addWidget(Image1_, 0, Qt::AlignCenter);

    auto* right = new QFrame(this);
    right->setFrameShape(QFrame::StyledPanel);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->addWidget(lblProductName_);
    rightLayout->addWidget(lblProductVersion_);
    rightLayout->addWidget(memAbout_, 1);
    rightLayout->addWidget(lblCopyright1_);
    rightLayout->addWidget(lblCopyright2_);

    auto* panels = new QHBoxLayout;
    panels->addWidget(left);
    panels->addWidget(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panels, 1);
    layout->addWidget(editAbout_, 0, Qt::AlignHCenter);
    connect(editAbout_, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
    setFixedSize(520, 340);
}

void TfrmAbout::FormCreate()
{
    setWindowTitle(QStringLiteral("About ") + QString::fromUtf8(ProductName) + QStringLiteral("..."));
    lblProductName_->setText(QString::fromUtf8(ProductName));
    lblProductVersion_->setText(QStringLiteral("Product Version: ") + QString::fromUtf8(ProductVersion));
    // The notice line: its fixed parts around the year and the holder.
    lblCopyright1_->setText(QStringLiteral("Copyright \u00A9 ") + QString::fromUtf8(NoticeYear)
                            + QStringLiteral(" ") + QString::fromUtf8(NoticeHolder));
    const QString url = QString::fromUtf8(NoticeUrl);
    lblCopyright2_->setText(url.isEmpty()
        ? QString()
        : QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), url.toHtmlEscaped()));
    // The free text keeps its line breaks (CR LF, LF or CR).
    QString text = QString::fromUtf8(AboutText);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    memAbout_->setText(text);
}

} // namespace tessaly
