#include "Framework.h"

BOOL CFile::GetStatus(const wchar_t* path, CFileStatus& status) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return FALSE;
    status.m_size = int64_t((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    status.m_ctime = data.ftCreationTime;
    return TRUE;
}

namespace {
const size_t FileNameBuffer = 1024;
}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                         const wchar_t* filter, CWnd* parent)
    : m_open(openFileDialog), m_flags(flags), m_parent(parent ? parent->GetSafeHwnd() : nullptr) {
    if (defaultExtension) m_defaultExtension = defaultExtension;
    if (filter) {
        m_filter = filter;
        for (wchar_t& c : m_filter)
            if (c == L'|') c = L'\0';
    }
    m_fileName.assign(FileNameBuffer, L'\0');
    if (fileName) {
        size_t length = wcsnlen(fileName, FileNameBuffer - 1);
        m_fileName.replace(0, length, fileName, length);
    }
}

INT_PTR CFileDialog::DoModal() {
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = m_parent ? m_parent : GetActiveWindow();
    ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = &m_fileName[0];
    ofn.nMaxFile = DWORD(m_fileName.size());
    ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    ofn.Flags = m_flags;
    BOOL chosen = m_open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    return chosen ? IDOK : IDCANCEL;
}
