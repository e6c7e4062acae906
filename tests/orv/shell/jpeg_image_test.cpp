#include <gtest/gtest.h>

#include <QFile>
#include <random>

#include "shell/jpeg_image.h"

namespace {

QByteArray shippedLogo() {
  QFile file(QString::fromLocal8Bit(qgetenv("ORV_SOURCE_DIR")) + QStringLiteral("/data/logo.jpg"));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(JpegImage, DecodesTheShippedLogoAtItsSize) {
  const QImage logo = orv::decodeJpeg(shippedLogo());
  ASSERT_FALSE(logo.isNull());
  EXPECT_EQ(logo.size(), QSize(150, 65));
  EXPECT_GT(qGray(logo.pixel(2, 2)), 240);  // white band around the picture
}

TEST(JpegImage, DamagedPicturesGiveNoImage) {
  const QByteArray logo = shippedLogo();
  std::mt19937 random(7);
  QByteArray noise(4096, '\0');
  for (auto& byte : noise) byte = static_cast<char>(random());
  for (const QByteArray& bytes :
       {QByteArray(), QByteArray("\xff\xd8"), noise, QByteArray("\xff\xd8\xff") + noise})
    EXPECT_TRUE(orv::decodeJpeg(bytes).isNull()) << bytes.size() << " bytes";
  // Cut inside its header, the logo gives nothing or a picture of its own size, never garbage.
  const QImage cut = orv::decodeJpeg(logo.left(40));
  EXPECT_TRUE(cut.isNull() || cut.size() == QSize(150, 65));
}

}  // namespace
