#include "FAbout.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QLabel>
#include <QPushButton>

namespace {

TEST(AboutBoxTest, ShowsTheReleaseValues)
{
    tessaly::TfrmAbout box;
    EXPECT_EQ(box.windowTitle(), "About Tessaly...");
    EXPECT_EQ(box.lblProductName()->text(), "Tessaly");
    EXPECT_TRUE(box.lblProductName()->font().bold());
    EXPECT_EQ(box.lblProductVersion()->text(), "Product Version: 2.02");
    // Year and holder are empty in this release: only the fixed parts remain.
    EXPECT_EQ(box.lblCopyright1()->text(), QString::fromUtf8("Copyright \u00A9  "));
    EXPECT_TRUE(box.lblCopyright2()->text().isEmpty());
    EXPECT_TRUE(box.memAbout()->text().isEmpty());
    EXPECT_EQ(box.editAbout()->text(), "Ok");
}

TEST(AboutBoxTest, OkClosesTheBox)
{
    tessaly::TfrmAbout box;
    box.show();
    ASSERT_TRUE(box.isVisible());
    box.editAbout()->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

} // namespace
