// `kavrel plot MODEL.inp [...]`: pictures of what a run wrote beside the model
// (never a new run), one file per seam, step and quantity asked for, drawn
// without a display. Paths written go to standard output, one per line;
// warnings and errors to standard error, naming the file and the reason.
#include <CLI/CLI.hpp>
#include <qcustomplot.h>

#include <algorithm>
#include <filesystem>

#include <memory>
#include <optional>

#include "model/run_info.h"
#include "plot/picture_jobs.h"
#include "plot/plot_data.h"
#include "shell/console/commands.h"
#include "study/parameter_sweep.h"
#include "study/study_collect.h"
#include "study/study_file.h"

namespace kavrel::console {

namespace {

constexpr int kPlotFailed = 1;

struct PlotOptions {
  std::vector<int> seams;
  std::vector<int> steps;
  std::vector<std::string> quantities;
  std::string profile;
  bool codes = false;
  bool offSeam = false;
  int lmsRun = -1;
  std::string range;
  std::string format = "png";
  std::string output;
  std::string size = "1000x800";
  std::string study;
  std::string parameter;
  std::string column;
};

// "WxH" with both sides from 16 to 20000 pixels.
bool ParseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find('x');
  if (x == std::string::npos) return false;
  try {
    std::size_t used = 0;
    width = std::stoi(text.substr(0, x), &used);
    if (used != x) return false;
    height = std::stoi(text.substr(x + 1), &used);
    if (used != text.size() - x - 1) return false;
  } catch (const std::exception&) {
    return false;
  }
  return width >= 16 && height >= 16 && width <= 20000 && height <= 20000;
}

// The request for the parsed options, or UsageError.
plot::PictureRequest RequestOf(const PlotOptions& o) {
  plot::PictureRequest request;
  request.seams = o.seams;
  request.steps = o.steps;
  request.quantities = o.quantities;
  request.codes = o.codes;
  request.offSeam = o.offSeam;
  request.lmsRun = o.lmsRun;
  request.outputFolder = o.output;
  std::string error;
  if (!o.profile.empty()) {
    plot::ProfileLine line;
    if (!plot::ParseProfileLine(o.profile, line, error)) throw UsageError(error);
    request.profile = line;
  }
  if (!o.range.empty()) {
    plot::ValueRange range;
    if (!plot::ParseRange(o.range, range, error)) throw UsageError(error);
    request.range = range;
  }
  if (o.format == "png") {
    request.format = plot::PictureFormat::Png;
  } else if (o.format == "pdf") {
    request.format = plot::PictureFormat::Pdf;
  } else {
    throw UsageError("format '" + o.format + "' is not png or pdf");
  }
  if (!ParseSize(o.size, request.width, request.height))
    throw UsageError("size '" + o.size + "' is not WxH (16 to 20000 pixels each)");
  if (o.codes && (request.profile || o.offSeam || !o.quantities.empty()))
    throw UsageError("--codes draws the material codes: no --quantity, --profile or --off-seam");
  if (o.offSeam && !o.seams.empty()) throw UsageError("--off-seam takes no --seam");
  if (o.lmsRun < -1) throw UsageError("--lms-run must be 0 or more");
  if (o.lmsRun >= 0 && (o.offSeam || o.codes || request.profile))
    throw UsageError("--lms-run chooses a block of a seam map: not with --off-seam, --codes or "
                     "--profile");
  if (request.range && (o.codes || request.profile))
    throw UsageError("--range sets the colour scale of a map: not with --codes or --profile");
  return request;
}

int Plot(const ConsoleStreams& streams, const std::string& path,
         const plot::PictureRequest& request) {
  RunInfo info;
  std::string error;
  if (!LoadRunInfo(path, info, error)) {
    std::fprintf(streams.err, "kavrel: %s: %s\n", path.c_str(), error.c_str());
    return kPlotFailed;
  }
  plot::HeadlessApplication application;
  plot::PictureOutcome outcome;
  const bool ok = plot::WritePictures(info, request, outcome);
  for (const std::string& warning : outcome.warnings)
    std::fprintf(streams.err, "kavrel: %s\n", warning.c_str());
  if (!ok) {
    std::fprintf(streams.err, "kavrel: %s\n", outcome.error.c_str());
    return kPlotFailed;
  }
  for (const std::string& written : outcome.written)
    std::fprintf(streams.out, "%s\n", written.c_str());
  return outcome.warnings.empty() ? 0 : kPlotFailed;
}

// What --study draws: the picture's path and its points.
struct SweepRequest {
  std::string study, parameter, column;
  int seam = 1;
  int step = 0;  // 0: each case's last step
  plot::PictureFormat format = plot::PictureFormat::Png;
  int width = 1000, height = 800;
  std::string output;
};

SweepRequest SweepRequestOf(const PlotOptions& o, const plot::PictureRequest& picture) {
  if (o.parameter.empty() || o.column.empty())
    throw UsageError("--study needs --parameter NAME and --column NAME");
  if (o.seams.size() > 1 || o.steps.size() > 1)
    throw UsageError("--study takes one --seam and one --step");
  if (!o.quantities.empty() || !o.profile.empty() || o.codes || o.offSeam || o.lmsRun >= 0 ||
      !o.range.empty())
    throw UsageError("--study draws a summary column: no --quantity, --profile, --codes, "
                     "--off-seam, --lms-run or --range");
  SweepRequest r{o.study, o.parameter, o.column, o.seams.empty() ? 1 : o.seams[0],
                 o.steps.empty() ? 0 : o.steps[0], picture.format, picture.width, picture.height,
                 o.output};
  return r;
}

// Reads the file at `path` whole; false when it cannot be read.
bool ReadText(const std::filesystem::path& path, std::string& text) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  std::fclose(f);
  return true;
}

int PlotSweep(const ConsoleStreams& streams, const SweepRequest& r) {
  study::StudyFile file;
  std::string error, table;
  if (!study::ReadStudyFile(r.study, file, error)) {
    std::fprintf(streams.err, "kavrel: %s: %s\n", r.study.c_str(), error.c_str());
    return kPlotFailed;
  }
  const std::filesystem::path folder = study::StudyFolder(file);
  const std::filesystem::path collected = folder / study::kCollectedFile;
  std::vector<study::SweepPoint> points;
  bool found = ReadText(collected, table);
  if (!found) error = "cannot be read (run kavrel study collect first)";
  else found = study::ParameterSweep(table, r.parameter, r.column, r.seam, r.step, points, error);
  if (!found) {
    std::fprintf(streams.err, "kavrel: %s: %s\n", collected.c_str(), error.c_str());
    return kPlotFailed;
  }
  plot::SweepData data;
  data.title = file.path.filename().string() + ": " + r.column + ", seam " + std::to_string(r.seam) +
               (r.step ? ", step " + std::to_string(r.step) : ", last step");
  data.parameter = r.parameter;
  data.column = r.column;
  std::sort(points.begin(), points.end(),
            [](const auto& a, const auto& b) { return a.parameter < b.parameter; });
  for (const study::SweepPoint& p : points) {
    data.x.push_back(p.parameter);
    data.y.push_back(p.value);
  }
  const std::string name = r.column + "_vs_" + r.parameter +
                           (r.format == plot::PictureFormat::Png ? ".png" : ".pdf");
  const std::string path = ((r.output.empty() ? folder : std::filesystem::path(r.output)) / name).string();
  plot::HeadlessApplication application;
  QCustomPlot figure;
  plot::SizeForPicture(figure, r.width, r.height);
  plot::DrawSweep(figure, data);
  if (!plot::SavePicture(figure, path, r.format, r.width, r.height, error)) {
    std::fprintf(streams.err, "kavrel: %s: %s\n", path.c_str(), error.c_str());
    return kPlotFailed;
  }
  std::fprintf(streams.out, "%s\n", path.c_str());
  return 0;
}

std::string QuantityList() {
  std::string text = "          quantities:";
  std::size_t lineLength = text.size();
  for (const std::string& key : plot::AllQuantityKeys()) {
    if (lineLength + key.size() + 1 > 90) {
      text += "\n                     ";
      lineLength = 21;
    }
    text += " " + key;
    lineLength += key.size() + 1;
  }
  return text + "\n          off-seam: offseamdisplacement xslope yslope xstrain ystrain\n";
}

}  // namespace

ConsoleCommand PlotCommand() {
  ConsoleCommand command;
  command.name = "plot";
  command.synopsis = {
      "plot MODEL.inp [--seam S] [--step N] [--quantity NAME] [--profile x=X|y=Y]",
      "            [--codes] [--off-seam] [--lms-run P] [--range LO:HI] [--format png|pdf]",
      "            [--size WxH] [--output DIR]",
      "plot --study STUDY --parameter NAME --column NAME [--seam S] [--step N]",
      "            [--format png|pdf] [--size WxH] [--output DIR]"};
  command.help =
      "  plot    pictures of a finished run, read from its files (the run is not repeated):\n"
      "          maps of one quantity of one seam at one step, with --profile the curves\n"
      "          along the row or column of elements through a point (one per step), with\n"
      "          --codes the material codes, with --off-seam the off-seam plane. Seams,\n"
      "          steps and quantities may be repeated or given as lists (1,3). By default\n"
      "          the convergence and total vertical stress maps of every seam at the last\n"
      "          step, as PNG files of 1000x800 pixels beside the model; prints each path.\n" +
      QuantityList() +
      "          --study: a column of the study's collected.csv against a parameter, one\n"
      "          point per case that ran (seam 1 and each case's last step by default),\n"
      "          drawn as STUDY.cases/COLUMN_vs_PARAMETER.png\n";
  command.add = [](CLI::App& sub) -> CommandFinisher {
    auto o = std::make_shared<PlotOptions>();
    sub.add_option("--seam", o->seams)->delimiter(',');
    sub.add_option("--step", o->steps)->delimiter(',');
    sub.add_option("--quantity", o->quantities)->delimiter(',');
    sub.add_option("--profile", o->profile);
    sub.add_flag("--codes", o->codes);
    sub.add_flag("--off-seam", o->offSeam);
    sub.add_option("--lms-run", o->lmsRun);
    sub.add_option("--range", o->range);
    sub.add_option("--format", o->format);
    sub.add_option("--size", o->size);
    sub.add_option("--output", o->output);
    sub.add_option("--study", o->study);
    sub.add_option("--parameter", o->parameter);
    sub.add_option("--column", o->column);
    auto given = AddModelArgument(sub);
    return [given, o]() -> CommandAction {
      if (!o->study.empty()) {
        if (!given->empty()) throw UsageError("--study takes no model file");
        const SweepRequest sweep = SweepRequestOf(*o, RequestOf(*o));
        return [sweep](const ConsoleStreams& streams) { return PlotSweep(streams, sweep); };
      }
      if (!o->parameter.empty() || !o->column.empty())
        throw UsageError("--parameter and --column go with --study");
      const std::string path = OneModelPath(*given);
      const plot::PictureRequest request = RequestOf(*o);
      return [path, request](const ConsoleStreams& streams) { return Plot(streams, path, request); };
    };
  };
  return command;
}

}  // namespace kavrel::console
