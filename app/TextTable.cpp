#include "TextTable.h"

#include <iterator>

namespace {

struct Entry {
    int Key;
    const wchar_t* Text;
};

const Entry EnglishTexts[] = {
    {0x66, L"%1 from %2"},
    {0x67, L"Connected to %1"},
    {0x68, L"Resolving name: %1"},
    {0x69, L"Resolved name to %1"},
    {0x6a, L"Connecting to %1"},
    {0x6b, L"Redirecting to %1"},
    {0x6c, L"Getting file information"},
    {0x6e, L"An error occurred while attempting to download the file, Error:%1"},
    {0x6f, L"An error occurred connecting to the server, Error:%1"},
    {0x71, L"Failed to receive a valid HTTP response from the server"},
    {0x72, L"An error occurred while downloading the file, Error:%1"},
    {0x73, L"%1% of %2 Completed"},
    {0x74, L"Retrieving the file"},
    {0x75, L"%1 of %2"},
    {0x76, L"%1 Seconds"},
    {0x77, L"Start the Installation of %1"},
    {0x78, L"%1 Minutes %2 Seconds"},
    {0x79, L"%1 Bytes"},
    {0x7a, L"An error occurred while writing the file, Error:%1"},
    {0x7b, L"%1 KB"},
    {0x7c, L"An error occurred on creating the file, Error:%1"},
    {0x7d, L"%1 MB"},
    {0x7e, L"An error occurred on opening the file, Error:%1"},
    {0x7f, L"%1 (%2 copied)"},
    {0x80, L"%1 Bytes/Second"},
    {0x81, L"%1 KB/Second"},
    {0x84, L"Aborting transfer"},
    {0x85, L"An error occurred while seeking the file, Error:%1"},
    {0x86, L"Failed to receive the content-length response from the server"},
    {0x87, L"Failed to receive the last-modified response from the server"},
    {0x88, L"Download holded"},
    {0x89, L"The Download Manager\u00b4s name has been changed.\nThus the download can\u00b4t being processed.\n\n"
           L"Please start the download from the original\nsource without manual modification."},
    {0x8a, L"This Download has been already started.\n\nThe download manager can process a specific download\n"
           L"only once.\n\nPlease see tasklist to verify current running downloads."},
    {0x8b, L"%1 - Download holded"},
    {0x8c, L"An error occurred on opening the file:\n\n%1"},
    {0x8d, L"The specified file was not found:\n\n%1"},
    {0x8e, L"The .exe file is invalid (non-Microsoft Win32 .exe or error in .exe image):\n\n%1"},
    {0x8f, L"The operating system denied access to the specified file:\n\n%1"},
    {0x90, L"%1 - Ready For Installation"},
    {0x92, L"File:"},
    {0x93, L"Install now..."},
    {0x94, L"Save as..."},
    {0x95, L"Cancel"},
    {0x96, L"Hold download"},
    {0x97, L"Estimated time left:"},
    {0x98, L"Transfer rate:"},
    {0x99, L"%1 GB"},
    {0x9a, L"%1 Hours %2 Minutes"},
    {HelpCaption, L"Help"},
    {NoInternet, L"No Internet connection!\n\nNo Internet connection was found.\nPlease check your Internet settings or "
                 L"firewall to allow\nthis Downloadmanager Internetaccess.\n\n%1"},
};

const Entry GermanTexts[] = {
    {0x66, L"%1 von %2"},
    {0x67, L"Verbunden mit %1"},
    {0x68, L"Name aufl\u00f6sen: %1"},
    {0x69, L"Resultierender Name ist %1"},
    {0x6a, L"Verbinden zu %1"},
    {0x6b, L"Weiterleiten zu %1"},
    {0x6c, L"Lesen der Datei-Informationen"},
    {0x73, L"%1% von %2 fertig"},
    {0x74, L"Datei wird heruntergeladen"},
    {0x75, L"%1 von %2"},
    {0x76, L"%1 Sekunden"},
    {0x77, L"Installation %1 starten"},
    {0x78, L"%1 Minuten %2 Sekunden"},
    {0x79, L"%1 Bytes"},
    {0x7b, L"%1 KB"},
    {0x7d, L"%1 MB"},
    {0x7f, L"%1 (%2 kopiert)"},
    {0x80, L"%1 Bytes/Sekunde"},
    {0x81, L"%1 KB/Sekunde"},
    {0x84, L"\u00dcbertragung wird abgebrochen"},
    {0x88, L"Download wurde angehalten"},
    {0x89, L"Der Name des Download Managers wurde ge\u00e4ndert,\ndeshalb kann der Download nicht durchgef\u00fchrt "
           L"werden.\n\nBitte starten Sie den Download nur vom\nUrsprung und ohne Modifikationen!"},
    {0x8a, L"Dieser Download wurde bereits gestartet.\n\nDer Download Manager kann einen Download\nnur einmal zur "
           L"gleichen Zeit durchf\u00fchren.\n\nBitte informieren Sie sich in der Taskliste\nhinsichtlich laufender "
           L"Downloads."},
    {0x8b, L"%1 - Download wurde angehalten"},
    {0x90, L"%1 - Bereit zur Installation"},
    {0x92, L"Datei:"},
    {0x93, L"Jetzt installieren..."},
    {0x94, L"Speichern unter..."},
    {0x95, L"Abbrechen"},
    {0x96, L"Download-Pause"},
    {0x97, L"Verbleibende Zeit:"},
    {0x98, L"\u00dcbertragungsrate:"},
    {0x99, L"%1 GB"},
    {0x9a, L"%1 Stunden %2 Minuten"},
    {HelpCaption, L"Hilfe"},
    {NoInternet, L"Keine Internet-Verbindung m\u00f6glich!\n\nBitte stellen Sie in Ihrer Firewall sicher,\nda\u00df diesem "
                 L"Download-Manager der Zugriff auf Ihre\nInternet-Verbindung erm\u00f6glicht wird.\n\n%1"},
};

template <size_t N>
const wchar_t* Find(const Entry (&list)[N], int key) {
    for (const Entry& e : list)
        if (e.Key == key) return e.Text;
    return nullptr;
}

// Index of the string a placeholder character stands for, or -1.
int PlaceholderIndex(wchar_t c) {
    if (c >= L'1' && c <= L'9') return c - L'1';
    if (c >= L'A' && c <= L'Z') return 9 + (c - L'A');
    return -1;
}

}  // namespace

bool IsGermanLanguage(unsigned long languageId) { return (languageId & 0x3ff) == 7; }

const wchar_t* TableText(unsigned long languageId, int key) {
    if (IsGermanLanguage(languageId))
        if (const wchar_t* text = Find(GermanTexts, key)) return text;
    if (const wchar_t* text = Find(EnglishTexts, key)) return text;
    return L"???";
}

std::wstring SubstituteText(const wchar_t* text, const wchar_t* const* args, int count) {
    std::wstring result;
    for (const wchar_t* p = text; *p; ++p) {
        int index = p[0] == L'%' ? PlaceholderIndex(p[1]) : -1;
        if (index < 0) {
            result += *p;
            continue;
        }
        if (index >= count)
            result += L'?';
        else if (args[index])
            result += args[index];
        ++p;  // past the placeholder character
    }
    return result;
}
