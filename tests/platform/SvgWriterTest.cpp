// Metafiles written as SVG: a well-formed document that holds the recorded
// shapes at their mapped places, with text escaped and encoded as UTF-8.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/SvgWriter.h"
#include "support/TestSupport.h"

namespace platform {
namespace {

// Checks the XML structure: tags nest and close, attribute values are
// quoted, every '&' starts a known entity, and no raw '<' hides in text.
// Returns an empty string when well-formed, else what is wrong.
std::string WellFormedness(const std::string& xml) {
  std::vector<std::string> open;
  std::size_t i = 0;
  if (xml.rfind("<?xml", 0) == 0) i = xml.find("?>") + 2;
  int roots = 0;
  while (i < xml.size()) {
    if (xml[i] == '&') {
      const std::size_t semi = xml.find(';', i);
      const std::string entity = xml.substr(i, semi == std::string::npos ? 1 : semi - i + 1);
      if (entity != "&amp;" && entity != "&lt;" && entity != "&gt;" && entity != "&quot;") {
        return "bad entity at " + std::to_string(i);
      }
      i = semi + 1;
      continue;
    }
    if (xml[i] != '<') {
      ++i;
      continue;
    }
    const std::size_t close = xml.find('>', i);
    if (close == std::string::npos) return "unclosed tag";
    std::string tag = xml.substr(i + 1, close - i - 1);
    i = close + 1;
    if (std::count(tag.begin(), tag.end(), '"') % 2 != 0) return "unbalanced quotes in <" + tag;
    if (tag.find('<') != std::string::npos) return "'<' inside a tag";
    if (tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return "mismatched </" + tag.substr(1);
      open.pop_back();
      continue;
    }
    const bool selfClosing = tag.back() == '/';
    const std::string name = tag.substr(0, tag.find_first_of(" /"));
    if (open.empty()) ++roots;
    if (!selfClosing) open.push_back(name);
  }
  if (!open.empty()) return "unclosed <" + open.back();
  if (roots != 1) return "expected one root element";
  return "";
}

Metafile DemoPicture() {
  MetafileRecorder rec;
  rec.SetWindowExtent(Size{1399, 1000});
  rec.SelectPen(NullPen());
  rec.SelectBrush(SolidBrush(Rgb(230, 250, 230)));
  rec.Rectangle(Rect{69, 75, 1329, 475});
  rec.SelectPen(SolidPen(Rgb(255, 0, 0)));
  rec.SelectBrush(NullBrush());
  const std::vector<Point> curve{{69, 475}, {699, 100}, {1329, 300}};
  rec.Polyline(curve);
  rec.Ellipse(Rect{689, 90, 709, 110});
  rec.Arc(Rect{0, 0, 100, 100}, Point{50, 0}, Point{0, 50});
  rec.IntersectClipRect(Rect{0, 0, 700, 500});
  Font title;
  title.height = 32;
  title.family = FontFamily::Roman;
  rec.SelectFont(title);
  rec.SetTextAlign(TextAlign{HAlign::Center, VAlign::Top});
  rec.TextOut(Point{699, 20},
              "c(s) <fit> & \"residuals\" at 20 \xB0"
              "C");
  return rec.Close();
}

TEST(SvgWriter, DocumentIsWellFormedAndHoldsTheShapesWhereTheyAreMapped) {
  const std::string svg = MetafileToSvg(DemoPicture(), Size{700, 500});
  EXPECT_EQ(WellFormedness(svg), "") << svg;
  EXPECT_NE(svg.find("width=\"700\" height=\"500\""), std::string::npos);
  // Shaded rectangle: 69 x 0.5004 = 34.5 -> 35 across, 75 / 2 = 37.5 -> 38 down.
  EXPECT_NE(svg.find("<rect x=\"35\" y=\"38\" width=\"630\" height=\"200\" fill=\"#e6fae6\" "
                     "stroke=\"none\""),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find("<polyline points=\"35,238 350,50 665,150\" fill=\"none\" "
                     "stroke=\"#ff0000\" stroke-width=\"1\""),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find("<ellipse cx=\"350\" cy=\"50\" rx=\"5\" ry=\"5\" fill=\"none\""),
            std::string::npos)
      << svg;
  // From twelve o'clock counter-clockwise to nine: one small negative sweep.
  EXPECT_NE(svg.find("<path d=\"M 25 0 A 25 25 0 0 0 0 25\""), std::string::npos) << svg;
}

TEST(SvgWriter, TextIsEscapedEncodedAndClipped) {
  const std::string svg = MetafileToSvg(DemoPicture(), Size{700, 500});
  EXPECT_NE(svg.find(">c(s) &lt;fit&gt; &amp; &quot;residuals&quot; at 20 \xC2\xB0"
                     "C</text>"),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find("text-anchor=\"middle\" font-family=\"DejaVu Serif, serif\""),
            std::string::npos);
  EXPECT_NE(svg.find("<clipPath id=\"clip1\"><rect x=\"0\" y=\"0\" width=\"350\" height=\"250\"/>"),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find("clip-path=\"url(#clip1)\""), std::string::npos);
}

TEST(SvgWriter, KeepAspectFitsTheSmallerScale) {
  MetafileRecorder rec;
  rec.SetWindowExtent(Size{13000, 9000});
  rec.Rectangle(Rect{0, 0, 13000, 9000});
  const std::string svg = MetafileToSvg(rec.Close(), Size{1300, 1300}, PlayFit::KeepAspect);
  EXPECT_NE(svg.find("<rect x=\"0\" y=\"0\" width=\"1300\" height=\"900\""), std::string::npos)
      << svg;
}

TEST(SvgWriter, WritesAFileAndReportsFailure) {
  ScratchFolder folder;
  const std::string path = folder.File("plot.svg");
  ASSERT_TRUE(WriteSvg(path, DemoPicture(), Size{1399, 1000}));
  EXPECT_EQ(WellFormedness(ReadWholeFile(path)), "");
  EXPECT_FALSE(WriteSvg(folder.File("missing/plot.svg"), DemoPicture(), Size{10, 10}));
}

}  // namespace
}  // namespace platform
