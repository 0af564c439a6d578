#include <windows.h>

#include <mmdeviceapi.h>
#include <objbase.h>

#include <cstddef>
#include <string>

#include "tracking/platform_seams.h"

namespace {

// MinGW-w64's endpointvolume.h names the endpoint's peak meter but does not declare it.
const IID kPeakMeterId = {0xc02216f6, 0x8c67, 0x4b5b, {0x9d, 0x00, 0xd0, 0x08, 0xe7, 0x3e, 0x00, 0x64}};
struct EndpointPeakMeter : public IUnknown {
    // The highest sample of the last device period over all channels, 0.0 to 1.0, taken before
    // the endpoint's volume: a muted speaker still shows the sound sent to it.
    virtual HRESULT STDMETHODCALLTYPE GetPeakValue(float* peak) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMeteringChannelCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChannelsPeakValues(UINT32 count, float* peaks) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD* mask) = 0;
};

// Silence is exactly 0. About -60 dBFS: the quiet passages of a film or the far end of a call
// stay well above it at any listening volume, while dither and the near-silence a program plays
// to keep its stream open (16-bit dither is about -90 dBFS) stay below.
constexpr float kSoundThreshold = 0.001f;

template <class Interface>
void ReleaseAndClear(Interface*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

// The meter of the default output device for one role, kept while that device stays the default.
class RoleMeter {
public:
    explicit RoleMeter(ERole role) : role_(role) {}

    // Asks which device is the role's default now and makes the meter that device's. Returns
    // its identifier; empty when there is none (no sound device, Wine without a sound driver).
    std::wstring Refresh(IMMDeviceEnumerator& enumerator) {
        IMMDevice* device = nullptr;
        if (FAILED(enumerator.GetDefaultAudioEndpoint(eRender, role_, &device)) || !device) {
            Forget();
            return {};
        }
        std::wstring id;
        LPWSTR text = nullptr;
        if (SUCCEEDED(device->GetId(&text)) && text) id = text;
        CoTaskMemFree(text);
        if (id.empty()) {
            Forget();
        } else if (id != deviceId_ || !meter_) {
            // Another default device, or the last Activate failed: a meter for this one.
            ReleaseAndClear(meter_);
            deviceId_ = id;
            void* meter = nullptr;
            if (SUCCEEDED(device->Activate(kPeakMeterId, CLSCTX_INPROC_SERVER, nullptr, &meter)))
                meter_ = static_cast<EndpointPeakMeter*>(meter);
        }
        device->Release();
        return id;
    }

    // Whether the device the last Refresh found has sound above the threshold.
    bool Sounding() {
        if (!meter_) return false;
        float peak = 0;
        if (FAILED(meter_->GetPeakValue(&peak))) {
            // Unplugged or disabled (AUDCLNT_E_DEVICE_INVALIDATED), or the audio service
            // restarted: the next call finds the device that is the default then.
            Forget();
            return false;
        }
        return peak > kSoundThreshold;
    }

    void Forget() {
        ReleaseAndClear(meter_);
        deviceId_.clear();
    }

private:
    ERole role_;
    EndpointPeakMeter* meter_ = nullptr;
    std::wstring deviceId_;
};

// Sound on the default output devices: Windows keeps one per role, and a user may send calls
// (communications) to a headset while films and music (multimedia, console) go to speakers.
// Each distinct device is read once.
// The interfaces belong to the thread's COM apartment: they are dropped when it ends, so that no
// Release ever reaches a library COM has unloaded, and a later apartment starts afresh.
class SystemAudioPresence final : public PresenceSource, public IInitializeSpy {
public:
    ~SystemAudioPresence() {
        if (spyRegistered_) CoRevokeInitializeSpy(spyCookie_);
        // Still held only when the apartment never ended: then releasing is safe.
        Forget();
    }

    bool MediaPlaying() override {
        if (!enumerator_ && !CreateEnumerator()) return false;
        std::wstring asked[kRoles];
        for (std::size_t role = 0; role < kRoles; ++role) {
            asked[role] = roles_[role].Refresh(*enumerator_);
            if (asked[role].empty()) continue;
            bool readAlready = false;
            for (std::size_t earlier = 0; earlier < role; ++earlier) readAlready |= asked[earlier] == asked[role];
            if (!readAlready && roles_[role].Sounding()) return true;
        }
        return false;
    }

    // IInitializeSpy: a static object, not counted; only the apartment's end matters.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IInitializeSpy)) {
            *object = static_cast<IInitializeSpy*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE PreInitialize(DWORD, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE PostInitialize(HRESULT result, DWORD, DWORD) override { return result; }
    HRESULT STDMETHODCALLTYPE PreUninitialize(DWORD references) override {
        if (references == 1) Forget();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PostUninitialize(DWORD) override { return S_OK; }

private:
    bool CreateEnumerator() {
        void* enumerator = nullptr;
        // Fails at once without COM on this thread; nothing is kept then.
        if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                    __uuidof(IMMDeviceEnumerator), &enumerator)))
            return false;
        enumerator_ = static_cast<IMMDeviceEnumerator*>(enumerator);
        if (!spyRegistered_) spyRegistered_ = SUCCEEDED(CoRegisterInitializeSpy(this, &spyCookie_));
        // Without word of the apartment's end the interfaces cannot be kept safely.
        if (!spyRegistered_) ReleaseAndClear(enumerator_);
        return enumerator_ != nullptr;
    }

    void Forget() {
        for (RoleMeter& role : roles_) role.Forget();
        ReleaseAndClear(enumerator_);
    }

    static constexpr std::size_t kRoles = 3;
    IMMDeviceEnumerator* enumerator_ = nullptr;
    RoleMeter roles_[kRoles] = {RoleMeter(eMultimedia), RoleMeter(eConsole), RoleMeter(eCommunications)};
    bool spyRegistered_ = false;
    ULARGE_INTEGER spyCookie_{};
};

}  // namespace

PresenceSource& SystemPresence() {
    static SystemAudioPresence presence;
    return presence;
}
