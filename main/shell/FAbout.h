#pragma once
// The About box: product picture, name, version, free text, notice line and
// the holder's link.

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;

namespace tessaly {

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    // openUrl opens the link line's address (the main window passes
    // OpenUrlInBrowser); QDesktopServices when empty.
    explicit TfrmAbout(QWidget* parent = nullptr,
                       std::function<void(const QString& url)> openUrl = {});

    QLabel* lblProductName() const { return lblProductName_; }
    QLabel* lblProductVersion() const { return lblProductVersion_; }
    QLabel* memAbout() const { return memAbout_; }
    QLabel* lblCopyright1() const { return lblCopyright1_; }
    QLabel* lblCopyright2() const { return lblCopyright2_; }
    QPushButton* editAbout() const { return editAbout_; }

private:
    void FormCreate();

    std::function<void(const QString&)> openUrl_;
    QLabel* Image1_;
    QLabel* lblProductName_;
    QLabel* lblProductVersion_;
    QLabel* memAbout_;
    QLabel* lblCopyright1_;
    QLabel* lblCopyright2_;
    QPushButton* editAbout_;
};

} // namespace tessaly
