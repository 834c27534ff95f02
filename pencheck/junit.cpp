#include "junit.h"

#include <cstdio>

namespace {

std::string escaped(const std::string& text) {
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // XML 1.0 has no place for most control characters.
        if (c < 0x20 && c != '\t' && c != '\n')
          out += ' ';
        else
          out += static_cast<char>(c);
    }
  }
  return out;
}

std::string seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}

}  // namespace

std::string junitXml(const std::string& penPath, const std::vector<Outcome>& outcomes) {
  int failures = 0, skipped = 0;
  double total = 0;
  for (const Outcome& o : outcomes) {
    failures += o.verdict == Verdict::Fail;
    skipped += o.verdict == Verdict::Skip;
    total += o.seconds;
  }
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  x += "<testsuites>\n<testsuite name=\"pencheck\" tests=\"" + std::to_string(outcomes.size()) +
       "\" failures=\"" + std::to_string(failures) + "\" errors=\"0\" skipped=\"" +
       std::to_string(skipped) + "\" time=\"" + seconds(total) + "\">\n";
  x += "<properties><property name=\"pen\" value=\"" + escaped(penPath) + "\"/></properties>\n";
  for (const Outcome& o : outcomes) {
    const std::string group = o.name.substr(0, o.name.find('.'));
    x += "<testcase classname=\"pencheck." + escaped(group) + "\" name=\"" + escaped(o.name) +
         "\" time=\"" + seconds(o.seconds) + "\"";
    switch (o.verdict) {
      case Verdict::Pass:
        x += "/>\n";
        break;
      case Verdict::Warn:
        x += "><system-out>WARN: " + escaped(o.reason) + "</system-out></testcase>\n";
        break;
      case Verdict::Fail:
        x += "><failure message=\"" + escaped(o.reason) + "\">" + escaped(o.reason) +
             "\nrerun: " + escaped(o.rerun) + "</failure></testcase>\n";
        break;
      case Verdict::Skip:
        x += "><skipped message=\"" + escaped(o.reason) + "\"/></testcase>\n";
        break;
    }
  }
  x += "</testsuite>\n</testsuites>\n";
  return x;
}
