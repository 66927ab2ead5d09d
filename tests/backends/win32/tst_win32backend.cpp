// What only the Win32 back end does, on real Win32 windows: the program's windows laid out at 96 and
// at 192 dots per inch with every caption fitting its control, a change of density, a window loaded
// again, the labels that name their boxes for screen readers, a message box closed by the program's
// end, and failures (a control handle kept past its window's load, an exception under the window
// procedure) turned into the runtime's error box and status 1. It runs on Windows, or under Wine on a display, reports
// on standard error and exits 0 when every check holds.

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

// Every text that the control shows in this run, its current one and those given.
void checkFits(
    const Control& control, UINT dpi, const std::string& where, std::vector<std::string> texts = {})
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
    }
}

// Windows open at their layout's client rectangle, every control at its own, and every caption of
// the layouts and of the run fits its control, in the one font of all controls.
void layoutsAtDensity(UINT dpi)
{
    Fixture fixture(dpi);
    const std::string at = " at " + std::to_string(dpi) + " dpi";
    std::vector<std::string> percentages;
    for (int percent = 0; percent < 100; ++percent)
        percentages.push_back("Formattazione in corso " + std::to_string(percent) + '%');
    const std::string date = shell::dateToText(
        shell::Date { std::chrono::year(1998), std::chrono::month(12), std::chrono::day(28) },
        fixture.backend.dateFormat());

    HFONT font = nullptr;
    for (shell::Form* form : fixture.everyWindow()) {
        const std::vector<Control*> controls = Fixture::controls(*form);
        const shell::FormLayout& layout = form->layout();
        const HWND window = win32backend::windowHandle(form->nativeWindow());
        const auto px = [dpi](int twips) { return shell::pixelsAt(twips, int(dpi)); };
        checkRect(clientOnScreen(window), px(layout.left), px(layout.top), px(layout.width),
            px(layout.height), name(*form) + ": client rectangle" + at);
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const shell::ControlRecord& record = layout.controls[i];
            if (!controls[i])
                continue;
            const std::string where = name(*form) + '.' + std::string(record.name) + at;
            checkRect(inParent(controls[i]->handle()), px(record.left), px(record.top), px(record.width),
                px(record.height), where + ": rectangle");
            const auto controlFont
                = reinterpret_cast<HFONT>(SendMessageW(controls[i]->handle(), WM_GETFONT, 0, 0));
            check(controlFont && (!font || controlFont == font), where + ": the one font of all controls");
            font = controlFont;
            std::vector<std::string> texts;
            if (form == &shell::form<Form7>() && record.name == "Label1")
                texts = percentages;
            if (form == &shell::form<Form5>() && record.name == "Text1")
                texts = { date };
            if (form == &shell::form<Form5>() && record.name == "Label1")
                texts = { "Maria Vittoria Santangelo" }; // a name of three words
            checkFits(*controls[i], dpi, where, texts);
        }
    }

    if (dpi == 96) {
        // Without a title bar, the one-pixel border makes the farewell window exactly 800 by 600
        // pixels at the corner of the screen.
        Fixture::controls(shell::form<Form6>());
        RECT frame;
        GetWindowRect(win32backend::windowHandle(shell::form<Form6>().nativeWindow()), &frame);
        checkRect(frame, 0, 0, 800, 600, "the farewell window covers 800 by 600 pixels at 0, 0");
    }
}

// A window that moves to a monitor of twice the density doubles, controls and font with it.
void densityChange()
{
    Fixture fixture(0);
    const std::vector<Control*> controls = Fixture::controls(shell::form<Form2>());
    const shell::FormLayout& layout = shell::form<Form2>().layout();
    const HWND window = win32backend::windowHandle(shell::form<Form2>().nativeWindow());
    const UINT dpi = win32backend::windowDpi(window) * 2;
    RECT suggested;
    GetWindowRect(window, &suggested);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));

    RECT client;
    GetClientRect(window, &client);
    check(client.right == shell::pixelsAt(layout.width, int(dpi))
            && client.bottom == shell::pixelsAt(layout.height, int(dpi)),
        "the client area after a change of density");
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const shell::ControlRecord& record = layout.controls[i];
        LOGFONTW font {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(controls[i]->handle(), WM_GETFONT, 0, 0)),
            sizeof font, &font);
        check(font.lfHeight == win32backend::controlFont(dpi).lfHeight,
            std::string(record.name) + ": the font after a change of density");
        checkRect(inParent(controls[i]->handle()), shell::pixelsAt(record.left, int(dpi)),
            shell::pixelsAt(record.top, int(dpi)), shell::pixelsAt(record.width, int(dpi)),
            shell::pixelsAt(record.height, int(dpi)),
            std::string(record.name) + ": the rectangle after a change of density");
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
    layoutsAtDensity(96);
    layoutsAtDensity(192);
    densityChange();
    reloadStartsAfresh();
    labelsPrecedeTheirBoxes();
    onlyTheNameWindowCarriesTheIcon();
    programEndClosesMessageBox();
    failuresBecomeRuntimeErrors();
    std::fprintf(stderr, "%s\n", failures ? "FAILED" : "passed");
    return failures ? 1 : 0;
}
