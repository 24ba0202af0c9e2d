#include "tools/BeadModels.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

std::string Line(const char* format, double value) {
  char buffer[120];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// The number that starts at text[at] (after blanks); 0 when none.
double NumberAt(const std::string& text, std::size_t at) {
  if (at >= text.size()) return 0;
  const char* begin = text.c_str() + at;
  char* end = nullptr;
  const double v = std::strtod(begin, &end);
  return end == begin ? 0 : v;
}

std::string ToLineEnd(const std::string& text, std::size_t from) {
  std::size_t end = text.find_first_of("\r\n", from);
  if (end == std::string::npos) end = text.size();
  if (end - from > 999) end = from + 999;
  return text.substr(from, end - from);
}

}  // namespace

bool FitLine(const std::vector<double>& x, const std::vector<double>& y, LineFit& fit) {
  const std::size_t n = x.size() < y.size() ? x.size() : y.size();
  if (n < 2) return false;
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (std::size_t k = 0; k < n; ++k) {
    sx += x[k];
    sy += y[k];
    sxx += x[k] * x[k];
    sxy += x[k] * y[k];
  }
  const double det = static_cast<double>(n) * sxx - sx * sx;
  // Relative to the spread of x, so that rounding cannot pass for a line.
  if (!(std::abs(det) > 1e-12 * static_cast<double>(n) * sxx) || det == 0) return false;
  fit.slope = (static_cast<double>(n) * sxy - sx * sy) / det;
  fit.intercept = (sxx * sy - sx * sxy) / det;
  fit.ssr = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const double r = y[k] - (fit.slope * x[k] + fit.intercept);
    fit.ssr += r * r;
  }
  return true;
}

std::string HydroproInputText(const HydroproParameters& p) {
  std::string s = p.name + "\n" + p.name + "\n" + p.name + ".pdb\n";
  s += Line("%1.2f,\t\t!AER, radius of atomic elements\n", p.aer);
  char nsig[80];
  std::snprintf(nsig, sizeof nsig, "%d,\t\t!NSIG\n", p.nsig);
  s += nsig;
  if (p.nsig != -1) {
    s += Line("%1.2f,\t\t!NSIG\n", p.sigmin);
    s += Line("%1.2f,\t\t!NSIG\n", p.sigmax);
  }
  s += Line("%.1f,\t\t!Temperature (K)\n", p.temperature);
  s += Line("%.5f,\t\t!Solvent viscosity (Poise)\n", p.viscosity);
  s += Line("%.1f,\t\t!Mw (Da)\n", p.mass);
  s += Line("%.4f,\t\t!vbar (ml/g)\n", p.vbar);
  s += Line("%.5f,\t\t!Solvent density (g/ml)\n", p.density);
  s += "0,\n0,\n0,\n0,\n*                   ";
  return s;
}

// The shell hands its process to HYDROPRO (exec), so stopping the process
// the wait started stops HYDROPRO itself, not only the shell around it.
std::string HydroproScriptText(const std::string& program) {
  return "#!/bin/sh\necho starting hydropro\nexec \"./" + program + "\"\n";
}

std::string FreeFolderName(const std::string& parent, const std::string& name) {
  std::string candidate = name;
  std::error_code ec;
  while (std::filesystem::exists(std::filesystem::path(parent) / candidate, ec)) candidate += "_";
  return candidate;
}

HydroproResults ParseHydroproResults(const std::string& text) {
  HydroproResults r;
  std::size_t at = text.find("***");
  while (at != std::string::npos) {
    r.errors.push_back(ToLineEnd(text, at));
    at = text.find("***", at + 3);
  }
  const std::string key = "Sedimentation coefficient:";
  std::size_t line = 0;
  while (line < text.size()) {
    if (text.compare(line, key.size(), key) == 0) {
      r.sedimentationLine = ToLineEnd(text, line);
      break;
    }
    const std::size_t next = text.find('\n', line);
    if (next == std::string::npos) break;
    line = next + 1;
  }
  return r;
}

std::vector<BeadBlock> ParseBestOutput(const std::string& text) {
  std::vector<BeadBlock> blocks;
  const std::string patches = "Number of Surface Patches";
  const std::string dtt = "DTT(EXACT) =";
  std::size_t at = 0;
  while (blocks.size() < 100) {
    const std::size_t p = text.find(patches, at);
    if (p == std::string::npos) break;
    const std::size_t q = text.find(dtt, p);
    if (q == std::string::npos) break;
    BeadBlock b;
    b.triangles = NumberAt(text, p + 25);
    b.d = NumberAt(text, q + dtt.size());
    blocks.push_back(b);
    at = q;
  }
  return blocks;
}

bool ExtrapolateBeadDiffusion(std::vector<BeadBlock> blocks, BeadExtrapolation& out,
                              std::string& reason) {
  // Stable exchange sort, largest N first.
  for (std::size_t i = 0; i < blocks.size(); ++i)
    for (std::size_t j = 0; j + 1 < blocks.size() - i; ++j)
      if (blocks[j].triangles < blocks[j + 1].triangles) std::swap(blocks[j], blocks[j + 1]);
  out = BeadExtrapolation{};
  out.blocks = blocks;
  const std::size_t n = blocks.size();
  if (n == 0) {
    reason = "no diffusion data";
    return false;
  }
  for (const BeadBlock& b : blocks) {
    if (!(b.triangles > 0)) {
      reason = "a block has no number of triangles";
      return false;
    }
  }
  if (n == 1) {
    out.used = 1;
    out.d0 = blocks[0].d;
    return true;
  }
  auto fitFirst = [&](std::size_t count, LineFit& fit) {
    std::vector<double> x, y;
    for (std::size_t k = 0; k < count; ++k) {
      x.push_back(1.0 / blocks[k].triangles);
      y.push_back(blocks[k].d);
    }
    return FitLine(x, y, fit);
  };
  LineFit kept;
  std::size_t used = n;
  if (!fitFirst(n, kept)) {
    reason = "all models have the same number of triangles: no extrapolation in 1/N";
    return false;
  }
  while (used > 3) {
    LineFit smaller;
    if (!fitFirst(used - 1, smaller)) break;
    if (0.3 * kept.ssr > smaller.ssr) {
      kept = smaller;
      --used;
    } else {
      break;
    }
  }
  out.used = static_cast<int>(used);
  out.d0 = kept.intercept;
  out.slope = kept.slope;
  return true;
}

double BeadModelS(double mass, double vbar, double d0) {
  return mass * 1e13 * d0 * (1 - vbar * 0.99823) * 4.102734765389717e-11;
}
