// What only the Win32 back end does, on real Win32 windows: the program's windows laid out at the
// densities of every display scale from 100 % to 200 %, and again after the density changes under
// them, with every caption fitting its control (the tightest fit at each density is reported); a
// window loaded again, the labels that name their boxes for screen readers, a message box closed by
// the program's end, and failures (a control handle kept past its window's load, an exception under
// the window procedure) turned into the runtime's error box and status 1. It runs on Windows, or
// under Wine on a display, reports on standard error and exits 0 when every check holds.

#include "backends/win32/controls.h"
#include "backends/win32/dpi.h"
#include "backends/win32/text.h"
#include "backends/win32/backend.h"
#include "backends/win32/window.h"
#include "finale/form6.h"
#include "finale/form7.h"
#include "questionnaire/form1.h"
#include "questionnaire/form2.h"
#include "questionnaire/form3.h"
#include "questionnaire/form4.h"
#include "shell/controls.h"
#include "shell/conversions.h"
#include "summary/form5.h"

#include <cstdio>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using shell::ControlKind;
using win32backend::Control;

namespace {

int failures = 0;

void check(bool ok, const std::string& what)
{
    if (!ok) {
        ++failures;
        std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    }
}

std::string name(const shell::Form& form)
{
    return form.layout().caption.empty() ? "(farewell)" : std::string(form.layout().caption);
}

// The program's windows on Win32, at a fixed density or at their monitor's (0).
struct Fixture
{
    win32backend::Win32Backend backend;
    shell::Runtime runtime { backend };

    explicit Fixture(UINT dpi)
        : backend(dpi)
    {
        // The summary reads a date of birth when it loads.
        Form2& birth = shell::form<Form2>();
        birth.giorno = "28";
        birth.mese = "Dicembre";
        birth.anno = "1998";
    }

    std::vector<shell::Form*> everyWindow() const
    {
        return { &shell::form<Form1>(), &shell::form<Form2>(), &shell::form<Form3>(), &shell::form<Form4>(),
            &shell::form<Form5>(), &shell::form<Form6>(), &shell::form<Form7>() };
    }

    // The loaded window's controls, by index in its layout; none for timers.
    static std::vector<Control*> controls(shell::Form& form)
    {
        shell::Runtime::current().load(form);
        std::vector<Control*> controls;
        const auto* window = dynamic_cast<const win32backend::Window*>(form.nativeWindow());
        for (std::size_t i = 0; i < form.layout().controls.size(); ++i)
            controls.push_back(window->control(i));
        return controls;
    }
};

RECT clientOnScreen(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

RECT inParent(HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void checkRect(const RECT& actual, int left, int top, int width, int height, const std::string& what)
{
    const auto text = [](long l, long t, long w, long h) {
        return std::to_string(l) + ", " + std::to_string(t) + ", " + std::to_string(w) + " by "
            + std::to_string(h);
    };
    check(actual.left == left && actual.top == top && actual.right - actual.left == width
            && actual.bottom - actual.top == height,
        what + ": " + text(actual.left, actual.top, actual.right - actual.left, actual.bottom - actual.top)
            + " instead of " + text(left, top, width, height));
}

SIZE textExtent(HWND control, const std::wstring& text)
{
    const HDC dc = GetDC(control);
    const HGDIOBJ previous
        = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size {};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size;
}

int editRoom(HWND edit)
{
    RECT client;
    GetClientRect(edit, &client);
    const LRESULT margins = SendMessageW(edit, EM_GETMARGINS, 0, 0);
    // One pixel more for the caret after the last character.
    return client.right - LOWORD(margins) - HIWORD(margins) - 1;
}

// The width that a control leaves for its text beside its own parts: the box of a check box or
// option button with the gap after it, the frame and focus rectangle of a button, the margins of
// a text box or of a combo box's text part.
int captionRoom(const Control& control, UINT dpi)
{
    const HWND handle = control.handle();
    RECT client;
    GetClientRect(handle, &client);
    switch (control.record().kind) {
    case ControlKind::CommandButton:
        return client.right - MulDiv(2 * 4, int(dpi), 96);
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
        return client.right - MulDiv(13 + 4 + 2, int(dpi), 96);
    case ControlKind::TextBox:
        return editRoom(handle);
    case ControlKind::ComboBox: {
        COMBOBOXINFO info {};
        info.cbSize = sizeof info;
        GetComboBoxInfo(handle, &info);
        return editRoom(info.hwndItem);
    }
    default:
        return client.right;
    }
}

// The tightest fit of a caption seen so far: the pixels left beside it in its control.
struct Margin
{
    int pixels = 1 << 30;
    std::string where;
};

// Every text that the control shows in this run, its current one and those given, fits it whole.
void checkFits(const Control& control, UINT dpi, const std::string& where, std::vector<std::string> texts,
    Margin& tightest)
{
    texts.push_back(control.text());
    if (control.record().kind == ControlKind::ComboBox) {
        for (std::size_t i = 0; i < control.itemCount(); ++i)
            texts.push_back(control.item(i));
    }
    const int room = captionRoom(control, dpi);
    RECT client;
    GetClientRect(control.handle(), &client);
    for (const std::string& text : texts) {
        const SIZE extent = textExtent(control.handle(), win32backend::toWide(text));
        check(extent.cx <= room,
            where + ": \"" + text + "\" is " + std::to_string(extent.cx) + " pixels wide, room for "
                + std::to_string(room));
        check(extent.cy <= client.bottom,
            where + ": \"" + text + "\" is " + std::to_string(extent.cy) + " pixels high, room for "
                + std::to_string(client.bottom));
        if (!text.empty() && room - extent.cx < tightest.pixels)
            tightest = { room - extent.cx, where + " \"" + text + '"' };
    }
}

// The texts that the run gives a control besides its layout's: the hundred percentages of the
// progress window, and the summary's name (one of three words), date and interests.
std::vector<std::string> runTexts(const shell::Form& form, std::string_view control, const std::string& date)
{
    std::vector<std::string> texts;
    if (&form == &shell::form<Form7>() && control == "Label1") {
        for (int percent = 0; percent < 100; ++percent)
            texts.push_back("Formattazione in corso " + std::to_string(percent) + '%');
    }
    if (&form == &shell::form<Form5>() && control == "Label1")
        texts = { "Maria Vittoria Santangelo" };
    if (&form == &shell::form<Form5>() && control == "Text1")
        texts = { date };
    if (&form == &shell::form<Form5>() && control == "Combo1")
        texts = { "pesca", "nuoto", "sub", "droga", "rock", "internet" };
    return texts;
}

// Every loaded window at this density: its client area where its layout puts it, every control at
// its own rectangle, one font for all controls, and every caption of the layouts and of the run
// whole in its control. The farewell window, which has no title bar, covers with its one-pixel
// border exactly the corner of the screen that 800 by 600 pixels cover at 96 dpi.
void checkWindows(Fixture& fixture, UINT dpi, Margin& tightest)
{
    const std::string at = " at " + std::to_string(dpi) + " dpi";
    const std::string date = shell::dateToText(
        shell::Date { std::chrono::year(1998), std::chrono::month(12), std::chrono::day(28) },
        fixture.backend.dateFormat());
    const auto px = [dpi](int twips) { return shell::pixelsAt(twips, int(dpi)); };
    HFONT font = nullptr;
    for (shell::Form* form : fixture.everyWindow()) {
        const std::vector<Control*> controls = Fixture::controls(*form);
        const shell::FormLayout& layout = form->layout();
        const HWND window = win32backend::windowHandle(form->nativeWindow());
        if (layout.caption.empty()) {
            RECT frame;
            GetWindowRect(window, &frame);
            const int width = MulDiv(800, int(dpi), 96);
            const int height = MulDiv(600, int(dpi), 96);
            checkRect(frame, 0, 0, width, height, "the farewell window" + at);
            checkRect(clientOnScreen(window), 1, 1, width - 2, height - 2,
                "the farewell window's client area" + at);
        } else {
            checkRect(clientOnScreen(window), px(layout.left), px(layout.top), px(layout.width),
                px(layout.height), name(*form) + ": client rectangle" + at);
        }
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const shell::ControlRecord& record = layout.controls[i];
            if (!controls[i])
                continue;
            const std::string where = name(*form) + '.' + std::string(record.name) + at;
            checkRect(inParent(controls[i]->handle()), px(record.left), px(record.top), px(record.width),
                px(record.height), where + ": rectangle");
            const auto controlFont
                = reinterpret_cast<HFONT>(SendMessageW(controls[i]->handle(), WM_GETFONT, 0, 0));
            LOGFONTW described {};
            GetObjectW(controlFont, sizeof described, &described);
            check(controlFont && (!font || controlFont == font)
                    && described.lfHeight == win32backend::controlFont(dpi).lfHeight,
                where + ": the one font of all controls at this density");
            font = controlFont;
            checkFits(*controls[i], dpi, where, runTexts(*form, record.name, date), tightest);
        }
    }
}

// The densities of Windows' display scales from 100 % to 200 %, by steps of 25 %.
constexpr UINT densities[] = { 96, 120, 144, 168, 192 };

// Every window laid out at each density, whatever the display's own.
void layoutsAtEveryDensity()
{
    for (UINT dpi : densities) {
        Fixture fixture(dpi);
        Margin tightest;
        checkWindows(fixture, dpi, tightest);
        std::fprintf(stderr, "%u dpi: font %ld pixels high, tightest caption %s with %d pixels to spare\n",
            dpi, -win32backend::controlFont(dpi).lfHeight, tightest.where.c_str(), tightest.pixels);
    }
}

// The windows at the display's own density, then the density changing under them to each of the
// others in turn and back: each time the windows end up as if they had opened at the new density.
void densityChanges()
{
    Fixture fixture(0);
    for (shell::Form* form : fixture.everyWindow())
        shell::Runtime::current().load(*form);
    const UINT start = win32backend::systemDpi();
    Margin tightest;
    checkWindows(fixture, start, tightest);
    std::vector<UINT> changes;
    for (UINT dpi : densities) {
        if (dpi != start)
            changes.push_back(dpi);
    }
    changes.push_back(start);
    for (UINT dpi : changes) {
        for (shell::Form* form : fixture.everyWindow()) {
            const HWND window = win32backend::windowHandle(form->nativeWindow());
            // A rectangle on the same monitor, as Windows suggests when the user changes its scale.
            RECT suggested;
            GetWindowRect(window, &suggested);
            SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        }
        checkWindows(fixture, dpi, tightest);
    }
}

struct ControlState
{
    std::wstring text;
    bool enabled;
    LRESULT check;
    LONG style;
    std::vector<std::string> items;

    bool operator==(const ControlState&) const = default;
};

std::vector<ControlState> stateOf(const std::vector<Control*>& controls)
{
    std::vector<ControlState> states;
    for (const Control* control : controls) {
        if (!control)
            continue;
        const HWND handle = control->handle();
        ControlState state { win32backend::windowText(handle), IsWindowEnabled(handle) != FALSE,
            SendMessageW(handle, BM_GETCHECK, 0, 0), GetWindowLongW(handle, GWL_STYLE), {} };
        if (control->record().kind == ControlKind::ComboBox) {
            for (std::size_t i = 0; i < control->itemCount(); ++i)
                state.items.push_back(control->item(i));
        }
        states.push_back(state);
    }
    return states;
}

// A window loaded again keeps its native window; its controls start again from the layout record.
void reloadStartsAfresh()
{
    Fixture fixture(0);
    for (shell::Form* form : fixture.everyWindow()) {
        std::vector<Control*> controls = Fixture::controls(*form);
        const HWND window = win32backend::windowHandle(form->nativeWindow());
        const std::vector<ControlState> loaded = stateOf(controls);
        for (Control* control : controls) {
            if (!control)
                continue;
            switch (control->record().kind) {
            case ControlKind::TextBox:
            case ControlKind::Label:
                control->setText("cambiato");
                break;
            case ControlKind::ComboBox:
                control->addItem("in più");
                control->setText("cambiato");
                break;
            case ControlKind::CheckBox:
                control->setCheckState(2);
                break;
            case ControlKind::OptionButton:
                control->setCheckState(1);
                break;
            case ControlKind::CommandButton:
                control->setEnabled(control->record().options.disabled);
                break;
            case ControlKind::Timer:
                break;
            }
        }
        fixture.runtime.unload(*form);
        controls = Fixture::controls(*form);
        check(win32backend::windowHandle(form->nativeWindow()) == window,
            name(*form) + ": loading again keeps the native window");
        check(stateOf(controls) == loaded, name(*form) + ": the controls start again from the layout");
    }
}

// Screen readers name a text or combo box by the label just before it among its siblings.
void labelsPrecedeTheirBoxes()
{
    Fixture fixture(0);
    for (shell::Form* form : fixture.everyWindow()) {
        const std::vector<Control*> controls = Fixture::controls(*form);
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const std::string_view buddy = form->layout().controls[i].options.buddy;
            if (buddy.empty())
                continue;
            const Control* box = controls[std::size_t(shell::controlIndex(form->layout(), buddy))];
            check(GetWindow(box->handle(), GW_HWNDPREV) == controls[i]->handle(),
                name(*form) + ": " + std::string(form->layout().controls[i].name) + " just before "
                    + std::string(buddy));
        }
    }
}

// The name window alone carries the program's icon, in both sizes.
void onlyTheNameWindowCarriesTheIcon()
{
    Fixture fixture(0);
    for (shell::Form* form : fixture.everyWindow()) {
        fixture.runtime.load(*form);
        const HWND window = win32backend::windowHandle(form->nativeWindow());
        const bool nameWindow = form == &shell::form<Form1>();
        for (WPARAM size : { ICON_BIG, ICON_SMALL })
            check((SendMessageW(window, WM_GETICON, size, 0) != 0) == nameWindow, name(*form) + ": icon");
    }
}

win32backend::Win32Backend* endingBackend = nullptr;

// Closes the program's message boxes a moment after the next one opens, as the program's end does;
// should one stay open, the test ends rather than waiting for ever. Returns the guard to cancel.
UINT_PTR closeMessageBoxesSoon(win32backend::Win32Backend& backend)
{
    endingBackend = &backend;
    SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        endingBackend->closeAll();
    });
    return SetTimer(nullptr, 0, 20000, [](HWND, UINT, UINT_PTR, DWORD) {
        std::fprintf(stderr, "FAIL: a message box stayed open\n");
        ExitProcess(1);
    });
}

// A message box that is open when the program ends closes with it.
void programEndClosesMessageBox()
{
    Fixture fixture(0);
    const UINT_PTR guard = closeMessageBoxesSoon(fixture.backend);
    fixture.backend.messageBox("Scherzetto", shell::MsgStyle::Information, "Prova");
    KillTimer(nullptr, guard);
}

struct FailingEvents final : shell::WindowEvents
{
    void clicked(std::size_t) override { throw std::runtime_error("guasto"); }
    void closeRequested() override { }
    void painted() override { }
};

// What fails where nothing may be thrown ends the program as a runtime error does: a control handle
// used after its window was unloaded, and an exception under the window procedure.
void failuresBecomeRuntimeErrors()
{
    {
        Fixture fixture(0);
        auto day = shell::form<Form2>().control<shell::ComboBox>("Combo1");
        fixture.runtime.unload(shell::form<Form2>());
        const UINT_PTR guard = closeMessageBoxesSoon(fixture.backend);
        fixture.runtime.call([&] { day.setText("31"); });
        KillTimer(nullptr, guard);
        check(fixture.runtime.isEnding() && fixture.runtime.exitStatus() == 1,
            "a handle kept past Unload ends the program with status 1");
    }
    {
        Fixture fixture(0);
        FailingEvents events;
        const std::unique_ptr<shell::NativeWindow> window
            = fixture.backend.createWindow(shell::form<Form7>().layout(), events);
        const auto& cancel = dynamic_cast<Control&>(window->createControl(0));
        const UINT_PTR guard = closeMessageBoxesSoon(fixture.backend);
        SendMessageW(win32backend::windowHandle(window.get()), WM_COMMAND,
            MAKEWPARAM(win32backend::firstControlId, BN_CLICKED), reinterpret_cast<LPARAM>(cancel.handle()));
        KillTimer(nullptr, guard);
        check(fixture.runtime.isEnding() && fixture.runtime.exitStatus() == 1,
            "an exception under the window procedure ends the program with status 1");
    }
}

}

int wmain(int, wchar_t*[])
{
    win32backend::becomeDpiAware();
    layoutsAtEveryDensity();
    densityChanges();
    reloadStartsAfresh();
    labelsPrecedeTheirBoxes();
    onlyTheNameWindowCarriesTheIcon();
    programEndClosesMessageBox();
    failuresBecomeRuntimeErrors();
    std::fprintf(stderr, "%s\n", failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
