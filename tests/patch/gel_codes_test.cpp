// Which file a colour code is read from: gels from the lime gel table, designer codes from the
// designer's gel file per fixture type, then from the designer's palette.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "console/patch/gel_palettes.h"

namespace {
void write(const QString& path, const QByteArray& text) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
}
}  // namespace

TEST(GelCodes, EachCodeIsReadFromItsFile) {
  QTemporaryDir dir;
  write(dir.filePath("vqlighting.RGBAL"), "[Values]\nR27=255|0|0|0|10|255|0|0\n");
  write(dir.filePath("Ann.gels"), "[A1]\n5=1|2|3|4|5|6|7|8\n[R27]\n5=9|9|9|9|9|9|9|9\n");
  write(dir.filePath("Users.pal"),
        "[Ann]\nA1=0|0|0|0|0|0|0|1\nA2=8|7|6|5|4|3|2|1\n[Bob]\nA3=1|1|1|1|1|1|1|1\n");

  struct Case {
    const char* code;
    int type;
    const char* value;
  };
  for (const Case& c : {
           Case{"R27", 5, "255|0|0|0|10|255|0|0"},  // the gel table, found whatever its case
           Case{"A1", 5, "1|2|3|4|5|6|7|8"},        // tuned for type 5
           Case{"A1", 6, "0|0|0|0|0|0|0|1"},        // another type: the palette
           Case{"A2", 5, "8|7|6|5|4|3|2|1"},
           Case{"A3", 5, ""},  // another designer's colour
           Case{"R99", 5, ""},
           Case{"", 5, ""},
       })
    EXPECT_EQ(gelCodeValue(dir.path(), c.code, "Ann", QString::number(c.type), true), c.value)
        << c.code << " " << c.type;
}
