// At twice the pixel density (this program runs with QT_SCALE_FACTOR=2) the
// pictures come from their drawings at twice the size, not enlarged.
#include "support/MainWindowFixture.h"

#include <QGuiApplication>
#include <QImage>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

using namespace mendora::test;

namespace {

class HighDensity : public MainWindowFixture, public testing::Test {
protected:
    // The program's own face pictures, which hold each face at 33 and 66 pixels.
    void SetUp() override {
        for (const auto &face : std::filesystem::directory_iterator(MENDORA_FACES_DIR))
            std::filesystem::copy_file(face.path(),
                                       folder.file("SystemIco/" + face.path().filename().string()),
                                       std::filesystem::copy_options::overwrite_existing);
        start();
    }
};

bool samePixels(const QImage &a, const QImage &b) {
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

TEST_F(HighDensity, ListToolbarAndMenuPicturesAreDrawnAtDoubleSize) {
    ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
    TMainForm &w = window();
    for (int i = 0; i < 10; ++i) {
        const QImage shown = w.IcoList[i].pixmap(QSize(16, 16), 2.0).toImage();
        EXPECT_EQ(shown.size(), QSize(32, 32)) << i;
        EXPECT_TRUE(samePixels(shown, QImage(QStringLiteral(":/icons/ico%1@2x.png").arg(i)))) << i;
    }
    for (int i = 0; i < 7; ++i) {
        const QImage shown = w.BigIcoList[i].pixmap(QSize(48, 48), 2.0).toImage();
        EXPECT_TRUE(samePixels(shown, QImage(QStringLiteral(":/icons/big%1@2x.png").arg(i)))) << i;
    }
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // The face picture: the 66-pixel image of its icon file.
    const QPixmap face = w.FaceIco->pixmap();
    EXPECT_EQ(face.size(), QSize(66, 66));
    EXPECT_EQ(face.devicePixelRatio(), 2.0);
}

TEST_F(HighDensity, AboutPhotographAtDoubleSize) {
    TAboutForm &a = windows().about;
    a.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&a));
    const QPixmap photo = a.Image1->pixmap();
    EXPECT_EQ(photo.devicePixelRatio(), 2.0);
    EXPECT_EQ(photo.size(), 2 * a.Image1->size());
    EXPECT_EQ(a.Image1->size(), QSize(223, 358)) << "the frame keeps its designed size";
    a.hide();
}

} // namespace
