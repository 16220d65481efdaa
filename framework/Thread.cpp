#include <process.h>

#include "Framework.h"

CWinThread::~CWinThread() {
    if (m_hThread) CloseHandle(m_hThread);
}

unsigned __stdcall CWinThread::Start(void* self) {
    auto* thread = static_cast<CWinThread*>(self);
    UINT result = thread->m_proc(thread->m_param);
    if (thread->m_bAutoDelete) delete thread;
    return result;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD flags,
                           LPSECURITY_ATTRIBUTES security) {
    auto* thread = new CWinThread;
    thread->m_proc = proc;
    thread->m_param = param;
    unsigned id = 0;
    // Always start suspended, so the priority is set before the procedure runs.
    uintptr_t handle = _beginthreadex(security, stackSize, CWinThread::Start, thread, CREATE_SUSPENDED, &id);
    if (!handle) {
        delete thread;
        return nullptr;
    }
    thread->m_hThread = reinterpret_cast<HANDLE>(handle);
    thread->m_nThreadID = id;
    SetThreadPriority(thread->m_hThread, priority);
    if (!(flags & CREATE_SUSPENDED)) ::ResumeThread(thread->m_hThread);
    return thread;
}
