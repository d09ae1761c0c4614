// The pictures as a user sees them: colours read back from the PNG files that
// kavrel's plotting writes for real runs of the shipped panel model, and the
// legend, size and page count of what it draws. Pixels are located through
// the plot's own axes, which the saved picture shares because the plot is
// laid out at the picture's size before it is drawn.
#include <gtest/gtest.h>

#include <QImage>
#include <qcustomplot.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "model/result_reader.h"
#include "model/run_info.h"
#include "plot/figures.h"
#include "plot/picture_jobs.h"
#include "plot/plot_data.h"
#include "support/kavrel_runs.h"
#include "support/scratch_files.h"

namespace kavrel::plot {
namespace {

namespace fs = std::filesystem;
using testing_support::CopyExample;
using testing_support::ReadFile;
using testing_support::RunQuiet;
using testing_support::ScratchFolder;
using testing_support::WriteFile;

constexpr int kWidth = 900;
constexpr int kHeight = 700;

// One application for the whole test program, made before the first test
// and gone after the last, before the program's statics are destroyed.
class ApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { application_ = std::make_unique<HeadlessApplication>(); }
  void TearDown() override { application_.reset(); }

 private:
  std::unique_ptr<HeadlessApplication> application_;
};
[[maybe_unused]] ::testing::Environment* const kApplication =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);


// The panel model, run once for the whole suite.
class PanelPictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
      folder_ = new fs::path(ScratchFolderOf("PanelPictures"));
    const fs::path model = CopyExample(*folder_, "panel.inp");
    ASSERT_EQ(RunQuiet(model), 0);
    std::string error;
    info_ = new RunInfo;
    ASSERT_TRUE(LoadRunInfo(model.string(), *info_, error)) << error;
  }
  static fs::path ScratchFolderOf(const std::string& name) {
    const fs::path dir = fs::path(KAVREL_BINARY_DIR) / "test-tmp" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
  }

  static results::ResultFile Results(int seam) {
    results::ResultFile file;
    std::string error;
    EXPECT_TRUE(results::ReadResultFile(info_->ResultFileName(seam), 0, {}, file, error)) << error;
    return file;
  }

  static fs::path* folder_;
  static RunInfo* info_;
};
fs::path* PanelPictures::folder_ = nullptr;
RunInfo* PanelPictures::info_ = nullptr;

// Where on the sequential scale a pixel's colour sits, 0 (bottom) to 1 (top):
// the nearest of the scale's levels.
double ScalePosition(QRgb pixel) {
  QCPColorGradient gradient = SequentialGradient();
  double best = -1, bestDistance = 1e9;
  for (int k = 0; k <= 255; ++k) {
    const QRgb c = gradient.color(k / 255.0, QCPRange(0, 1));
    const double d = std::hypot(std::hypot(qRed(c) - qRed(pixel), qGreen(c) - qGreen(pixel)),
                                qBlue(c) - qBlue(pixel));
    if (d < bestDistance) {
      bestDistance = d;
      best = k / 255.0;
    }
  }
  return bestDistance < 8 ? best : -1;  // -1: not a colour of the scale
}

QRgb PixelAt(const QImage& image, const QCustomPlot& plot, double x, double y) {
  return image.pixel(static_cast<int>(plot.xAxis->coordToPixel(x)),
                     static_cast<int>(plot.yAxis->coordToPixel(y)));
}

TEST_F(PanelPictures, ConvergenceMapIsHighestInTheExtractedPanelAndLowestInSolidCoal) {
  const results::ResultFile file = Results(1);
  const int block = file.FinalBlockOf(3);
  ASSERT_GE(block, 0);
  QCustomPlot plot;
  SizeForPicture(plot, kWidth, kHeight);
  DrawMap(plot, SeamMap(*info_, file, static_cast<std::size_t>(block), 0, 1, nullptr));
  const std::string path = (*folder_ / "convergence.png").string();
  std::string error;
  ASSERT_TRUE(SavePicture(plot, path, PictureFormat::Png, kWidth, kHeight, error)) << error;
  const QImage image(QString::fromStdString(path));
  ASSERT_EQ(image.size(), QSize(kWidth, kHeight));

  // Step 3 has caved X = 200..540 ft of the 60 x 40 element panel (10 ft
  // elements, inches in the file): its centre is near X = 370 ft, Y = 200 ft.
  EXPECT_GT(ScalePosition(PixelAt(image, plot, 370 * 12, 200 * 12)), 0.9);
  // Solid coal in the south-west corner, 40 ft from the workings.
  const double corner = ScalePosition(PixelAt(image, plot, 15 * 12, 15 * 12));
  EXPECT_GE(corner, 0);
  EXPECT_LT(corner, 0.05);
}

TEST_F(PanelPictures, ProfileThroughThePanelCentrePeaksInsideThePanel) {
  const results::ResultFile file = Results(1);
  ProfileData data;
  std::string error;
  ASSERT_TRUE(SeamProfile(*info_, file, 1, {0}, {1, 2, 3}, ProfileLine{false, 200 * 12}, data,
                          error))
      << error;
  QCustomPlot plot;
  SizeForPicture(plot, kWidth, kHeight);
  DrawProfile(plot, data);
  ASSERT_EQ(plot.graphCount(), 3);  // one curve per step
  // The drawn curve of step 3 peaks where the panel is caved.
  const QSharedPointer<QCPGraphDataContainer> curve = plot.graph(2)->data();
  double peakX = 0, peak = -1e300;
  for (auto it = curve->constBegin(); it != curve->constEnd(); ++it)
    if (it->value > peak) {
      peak = it->value;
      peakX = it->key;
    }
  EXPECT_GT(peakX, 200 * 12);
  EXPECT_LT(peakX, 540 * 12);
  // ... and its pixels show it: the curve's pen crosses the panel centre
  // above where it crosses solid coal.
  const std::string path = (*folder_ / "profile.png").string();
  ASSERT_TRUE(SavePicture(plot, path, PictureFormat::Png, kWidth, kHeight, error)) << error;
  const QImage image(QString::fromStdString(path));
  const auto topmostCurvePixel = [&](double x) {
    const int px = static_cast<int>(plot.xAxis->coordToPixel(x));
    const int top = plot.axisRect()->top(), bottom = plot.axisRect()->bottom();
    for (int py = top + 2; py < bottom; ++py) {
      const QRgb c = image.pixel(px, py);
      if (qRed(c) < 200 || qGreen(c) < 200 || qBlue(c) < 200) {
        if (std::abs(qRed(c) - qGreen(c)) > 10 || std::abs(qGreen(c) - qBlue(c)) > 10) return py;
      }
    }
    return bottom;
  };
  EXPECT_LT(topmostCurvePixel(peakX), topmostCurvePixel(30 * 12));
}

TEST_F(PanelPictures, CodeMapLegendHasOneEntryPerCodeUsed) {
  for (int step = 1; step <= 3; ++step) {
    std::vector<results::SeamCodes> codes;
    std::string error;
    ASSERT_TRUE(results::ReadCodeFile(info_->CodeFileName(step), 1, info_->nx, info_->ny, codes,
                                      error))
        << error;
    // The codes used, counted from the code file's own text.
    const std::string text = ReadFile(info_->CodeFileName(step));
    std::set<char> used;
    for (const char c : text)
      if (c != '\n') used.insert(c);
    QCustomPlot plot;
    SizeForPicture(plot, kWidth, kHeight);
    DrawCodeMap(plot, CodeMap(*info_, codes[0], 1, step));
    ASSERT_NE(plot.legend, nullptr);
    EXPECT_EQ(plot.legend->itemCount(), static_cast<int>(used.size())) << "step " << step;
  }
}

TEST_F(PanelPictures, PngAndPdfHaveTheSizeAndOnePageAsAsked) {
  PictureRequest request;
  request.width = 640;
  request.height = 480;
  request.outputFolder = (*folder_ / "sized").string();
  PictureOutcome outcome;
  ASSERT_TRUE(WritePictures(*info_, request, outcome)) << outcome.error;
  ASSERT_EQ(outcome.written.size(), 2u);  // convergence and total stress, seam 1, last step
  for (const std::string& path : outcome.written)
    EXPECT_EQ(QImage(QString::fromStdString(path)).size(), QSize(640, 480)) << path;

  request.format = PictureFormat::Pdf;
  request.quantities = {"overburdenstress"};
  ASSERT_TRUE(WritePictures(*info_, request, outcome)) << outcome.error;
  ASSERT_EQ(outcome.written.size(), 1u);
  const std::string pdf = ReadFile(outcome.written[0]);
  ASSERT_EQ(pdf.rfind("%PDF", 0), 0u);
  // Page objects are "/Type /Page" not followed by "s" (the page tree).
  int pages = 0;
  for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
       at = pdf.find("/Type /Page", at + 1))
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  EXPECT_EQ(pages, 1);
  EXPECT_NE(pdf.find("/MediaBox [0 0 640.000000 480.000000]"), std::string::npos);
}

// An unloaded pillar's safety factor is infinite: it takes the top of the
// scale, not a colour index out of range.
TEST(MapCells, InfiniteValuesTakeTheEndsOfTheScale) {
  MapData data;
  data.kind = ScaleKind::Diverging;
  data.field.nx = 3;
  data.field.ny = 1;
  data.field.width = 10;
  data.field.values = {0.5, HUGE_VAL, 2};
  data.range = DataRange(data.field.values, data.kind);
  QCustomPlot plot;
  SizeForPicture(plot, 400, 300);
  QCPColorMap* map = DrawMap(plot, data);
  EXPECT_EQ(map->data()->cell(0, 0), 0.5);
  EXPECT_EQ(map->data()->cell(1, 0), 2);
  EXPECT_EQ(map->data()->cell(2, 0), 2);
}

// The panel model with coal ten times as strong (same modulus, peak at ten
// times the strain): every pillar stays far below
// its peak, so no safety factor drawn may sit on the red side of 1.
TEST(SafetyFactorPicture, ElasticModelShowsNoElementBelowOne) {
  const fs::path dir = ScratchFolder();
  std::string model = ReadFile(testing_support::ExamplePath("panel.inp"));
  const std::string weak = "2,2000,0.008,500,0.02,0.3\n";
  ASSERT_NE(model.find(weak), std::string::npos);
  model.replace(model.find(weak), weak.size(), "2,20000,0.08,5000,0.2,0.3\n");
  WriteFile(dir / "strong.inp", model);
  ASSERT_EQ(RunQuiet(dir / "strong.inp"), 0);
  RunInfo info;
  std::string error;
  ASSERT_TRUE(LoadRunInfo((dir / "strong.inp").string(), info, error)) << error;

  PictureRequest request;
  request.quantities = {"elementstrainsf", "pillarstresssf"};
  request.steps = {1, 3};
  request.width = 800;
  request.height = 600;
  PictureOutcome outcome;
  ASSERT_TRUE(WritePictures(info, request, outcome)) << outcome.error;
  ASSERT_EQ(outcome.written.size(), 4u);
  for (const std::string& path : outcome.written) {
    const QImage image(QString::fromStdString(path));
    // The map fills the middle of the picture; count reddish pixels there.
    int red = 0, shown = 0;
    for (int x = image.width() / 8; x < image.width() * 5 / 8; ++x)
      for (int y = image.height() / 4; y < image.height() * 3 / 4; ++y) {
        const QRgb c = image.pixel(x, y);
        if (qRed(c) > qBlue(c) + 40) ++red;
        if (qBlue(c) > qRed(c) + 40) ++shown;
      }
    EXPECT_EQ(red, 0) << path;
    EXPECT_GT(shown, 0) << path << " shows no safety factor at all";
  }
}

}  // namespace
}  // namespace kavrel::plot
