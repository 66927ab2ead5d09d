#include "shell/application.h"
#include "dpi.h"
#include "backend.h"

#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>

namespace shell {

namespace {

    // The program starts no other program, and says so to Windows: a job of its own that admits
    // one process, and where Windows has it, the policy that forbids creating child processes.
    // Both are best effort; where Windows (or Wine) lacks them, the program runs without.
    void forbidChildProcesses()
    {
        if (const HANDLE job = CreateJobObjectW(nullptr, nullptr)) {
            JOBOBJECT_BASIC_LIMIT_INFORMATION limits {};
            limits.LimitFlags = JOB_OBJECT_LIMIT_ACTIVE_PROCESS;
            limits.ActiveProcessLimit = 1;
            // The handle stays open for the whole run; the job ends with the process.
            if (!SetInformationJobObject(job, JobObjectBasicLimitInformation, &limits, sizeof limits)
                || !AssignProcessToJobObject(job, GetCurrentProcess()))
                CloseHandle(job);
        }
        using SetPolicy = decltype(&SetProcessMitigationPolicy);
        const auto setPolicy = reinterpret_cast<SetPolicy>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetProcessMitigationPolicy")));
        if (setPolicy) {
            PROCESS_MITIGATION_CHILD_PROCESS_POLICY policy {};
            policy.NoChildProcessCreation = 1;
            setPolicy(ProcessChildProcessPolicy, &policy, sizeof policy);
        }
    }

    // Window timers tick at the system's timer resolution, 15.6 ms unless a program asks for
    // finer: the progress window's 10 ms interval needs 1 ms.
    class TimerResolution
    {
    public:
        TimerResolution()
            : m_raised(timeBeginPeriod(1) == TIMERR_NOERROR)
        {
        }
        ~TimerResolution()
        {
            if (m_raised)
                timeEndPeriod(1);
        }
        TimerResolution(const TimerResolution&) = delete;
        TimerResolution& operator=(const TimerResolution&) = delete;

    private:
        bool m_raised;
    };

}

// The program has no command line and no console: Windows starts it as a GUI program, and the
// runtime's status becomes the process's exit code.
int runApplication(const ApplicationInfo&, StartForm startForm)
{
    forbidChildProcesses();
    win32backend::becomeDpiAware();
    const INITCOMMONCONTROLSEX controls { sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES };
    InitCommonControlsEx(&controls);
    const TimerResolution resolution;

    win32backend::Win32Backend backend;
    Runtime runtime(backend);
    return runtime.run(startForm(runtime));
}

}
