// Writes the layout record of every window as JSON, so that the end-to-end tests find windows and
// controls where the program itself places them. Geometry stays in twips; the tests turn it into
// pixels as the back ends do.
//
//   dump_layouts layouts.json
//   { "Form1": { "caption": "Nome", "rect": [3900, 750, 4680, 1965],
//                "controls": [ { "name": "Text1", "kind": "TextBox", "caption": "",
//                                "rect": [1320, 240, 2895, 285], "tabIndex": 0 }, ... ] }, ... }

#include "finale/form6.h"
#include "finale/form7.h"
#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "questionnaire/form4.h"
#include "summary/form5.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace {

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c; // UTF-8 passes through whole
        }
    }
    return out + '"';
}

std::string rect(int left, int top, int width, int height)
{
    char text[64];
    std::snprintf(text, sizeof text, "[%d, %d, %d, %d]", left, top, width, height);
    return text;
}

const char* kindName(shell::ControlKind kind)
{
    switch (kind) {
    case shell::ControlKind::Label: return "Label";
    case shell::ControlKind::TextBox: return "TextBox";
    case shell::ControlKind::CommandButton: return "CommandButton";
    case shell::ControlKind::ComboBox: return "ComboBox";
    case shell::ControlKind::OptionButton: return "OptionButton";
    case shell::ControlKind::CheckBox: return "CheckBox";
    case shell::ControlKind::Timer: return "Timer";
    }
    return "Unknown";
}

// A window's record is static data: an instance outside any runtime is enough to reach it.
template <class F> void print(std::FILE* out, const char* name, bool last = false)
{
    const shell::FormLayout& layout = F().layout();
    std::fprintf(out, "  %s: {\"caption\": %s, \"rect\": %s, \"controls\": [\n", quoted(name).c_str(),
                quoted(layout.caption).c_str(),
                rect(layout.left, layout.top, layout.width, layout.height).c_str());
    for (std::size_t i = 0; i < layout.controls.size(); ++i) {
        const shell::ControlRecord& control = layout.controls[i];
        std::fprintf(out, "    {\"name\": %s, \"kind\": \"%s\", \"caption\": %s, \"rect\": %s, \"tabIndex\": %d}%s\n",
                    quoted(control.name).c_str(), kindName(control.kind), quoted(control.caption).c_str(),
                    rect(control.left, control.top, control.width, control.height).c_str(), control.tabIndex,
                    i + 1 < layout.controls.size() ? "," : "");
    }
    std::fprintf(out, "  ]}%s\n", last ? "" : ",");
}

}

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: dump_layouts OUTPUT.json\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::fprintf(stderr, "dump_layouts: cannot write %s\n", argv[1]);
        return 1;
    }
    std::fprintf(out, "{\n");
    print<Form1>(out, "Form1");
    print<Form2>(out, "Form2");
    print<Form3>(out, "Form3");
    print<Form4>(out, "Form4");
    print<Form5>(out, "Form5");
    print<Form6>(out, "Form6");
    print<Form7>(out, "Form7", true);
    std::fprintf(out, "}\n");
    const bool failed = std::ferror(out) != 0;
    if (std::fclose(out) != 0 || failed) {
        std::fprintf(stderr, "dump_layouts: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
