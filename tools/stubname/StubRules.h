// Naming a copy of the program for one installer on the download server:
//   folder "tools/editor", file "EditorSetup.exe", version "3.2"
//   -> Download-(1)(tools+editor)-EditorSetup[3.2].exe
// Platform-free; stubname.exe adds the checks against the program's own
// parser and WinINet's canonicalisation.
#pragma once

#include <string>

struct StubRequest {
    std::wstring Folder;   // server folder, parts separated by "/"
    std::wstring File;     // installer file name on the server, [..] groups allowed
    std::wstring Version;  // optional: a "[version]" group put before the extension
};

// Empty when the request names a stub; otherwise the reason it cannot, as a sentence.
std::wstring StubProblem(const StubRequest& request);

// The file part of the stub name: File with "[Version]" before its extension.
std::wstring StubFilePart(const StubRequest& request);

// The whole stub file name.
std::wstring StubFileName(const StubRequest& request);
