// winmm's waveform output (the waveOut family), for systems without Windows. As on Windows,
// <windows.h> includes this header; it is not included on its own.
//
// What this layer plays: PCM at 44,100 frames a second, 8 or 16 bits, mono or
// stereo, on the one device there is (WAVE_MAPPER or device 0). Every open
// handle is mixed into that device in 32 bits and saturated to 16, so
// several handles play at once, as Windows mixes them. Callbacks are not
// offered: a caller learns that a buffer is done from WHDR_DONE, or from
// waveOutUnprepareHeader answering WAVERR_STILLPLAYING while it is not.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

typedef UINT MMRESULT;
typedef uintptr_t DWORD_PTR;
typedef HWAVEOUT* LPHWAVEOUT;

#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_NOTSUPPORTED 8
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34

#define WAVE_MAPPER ((UINT)-1)
#define WAVE_FORMAT_QUERY 0x0001
#define CALLBACK_TYPEMASK 0x00070000l
#define CALLBACK_NULL 0x00000000l
#define WAVE_FORMAT_PCM 1

typedef struct tWAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
} WAVEFORMATEX, *LPWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

typedef struct wavehdr_tag {
    LPSTR lpData;                   // the samples, owned by the caller until the header is unprepared
    DWORD dwBufferLength;           // bytes
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;                  // WHDR_*
    DWORD dwLoops;                  // on a WHDR_BEGINLOOP header: how many times the loop plays
    struct wavehdr_tag* lpNext;     // reserved
    DWORD_PTR reserved;
} WAVEHDR, *LPWAVEHDR;

#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_BEGINLOOP 0x00000004
#define WHDR_ENDLOOP 0x00000008
#define WHDR_INQUEUE 0x00000010

// How many output devices there are: 1, or 0 where the platform has none.
UINT WINAPI waveOutGetNumDevs(void);
MMRESULT WINAPI waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                            DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT WINAPI waveOutClose(HWAVEOUT hwo);
MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT WINAPI waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh);
MMRESULT WINAPI waveOutReset(HWAVEOUT hwo);

#ifdef __cplusplus
}
#endif
