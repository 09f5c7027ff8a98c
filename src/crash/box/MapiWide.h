#pragma once
// The wide-character Simple MAPI structures, as the Windows SDK's MAPI.h declares them; MinGW's
// header has only the ANSI ones. Shared with the test's recording stand-in provider.

#include <windows.h>
#include <mapi.h>

struct MapiRecipDescWide {
    ULONG ulReserved, ulRecipClass;
    PWSTR lpszName, lpszAddress;
    ULONG ulEIDSize;
    PVOID lpEntryID;
};
struct MapiFileDescWide {
    ULONG ulReserved, flFlags, nPosition;
    PWSTR lpszPathName, lpszFileName;
    PVOID lpFileType;
};
struct MapiMessageWide {
    ULONG ulReserved;
    PWSTR lpszSubject, lpszNoteText, lpszMessageType, lpszDateReceived, lpszConversationID;
    FLAGS flFlags;
    MapiRecipDescWide *lpOriginator;
    ULONG nRecipCount;
    MapiRecipDescWide *lpRecips;
    ULONG nFileCount;
    MapiFileDescWide *lpFiles;
};
