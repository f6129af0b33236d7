/* font_face.exe NAME...: prints "NAME=FACE" for each name, FACE being the
   face that a font made for NAME gets in this Wine prefix, as a control
   drawing with it would. scripts/wine.sh checks a new prefix with it. */
#include <windows.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv) {
    HDC screen = GetDC(NULL);
    for (int i = 1; i < argc; ++i) {
        HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, argv[i]);
        HGDIOBJ previous = SelectObject(screen, font);
        wchar_t face[LF_FACESIZE] = L"";
        GetTextFaceW(screen, LF_FACESIZE, face);
        SelectObject(screen, previous);
        DeleteObject(font);
        wprintf(L"%ls=%ls\n", argv[i], face);
    }
    ReleaseDC(NULL, screen);
    return 0;
}
