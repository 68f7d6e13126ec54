// The default render endpoint's master volume through Core Audio, following
// the default device as the user changes it.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

#include <atomic>
#include <string>

#include "controller/volume_math.h"
#include "coreaudio/master_volume.h"
#include "coreaudio/com_ptr.h"

namespace zelvane::audio {

namespace {

// COM on this thread for as long as the object lives. S_FALSE (already
// initialised here) is as good as S_OK and is balanced the same way; a
// thread already in another apartment model can use COM too, but that
// initialisation is not ours to undo.
class ComApartment {
public:
    ComApartment() {
        const HRESULT hr = CoInitialize(nullptr);
        usable_ = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
        mustUninitialize_ = SUCCEEDED(hr);
    }
    ~ComApartment() {
        if (mustUninitialize_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool usable() const { return usable_; }

private:
    bool usable_ = false;
    bool mustUninitialize_ = false;
};

// A COM object ends through its own Release, never by a delete through the
// interface, which has no virtual destructor by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// Told by the audio service (on a thread of its own) when the default
// playback device changes or a device comes or goes; it only raises a flag,
// which the UI thread reads before its next call.
class DeviceWatch : public IMMNotificationClient {
public:
    // A COM object lives on the heap and ends with its last Release.
    static ComPtr<DeviceWatch> create() {
        ComPtr<DeviceWatch> watch;
        *watch.put() = new DeviceWatch;
        return watch;
    }
    bool takeChange() { return changed_.exchange(false); }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IMMNotificationClient)) {
            *out = static_cast<IMMNotificationClient*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR) override {
        if (flow == eRender && role == eConsole) changed_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override {
        changed_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override {
        changed_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override { return S_OK; }

private:
    DeviceWatch() = default;
    virtual ~DeviceWatch() = default;  // through Release only
    std::atomic<ULONG> refs_{1};
    std::atomic<bool> changed_{false};
};

#pragma GCC diagnostic pop

std::string endpointId(IMMDevice* device) {
    LPWSTR id = nullptr;
    if (FAILED(device->GetId(&id)) || !id) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, id, -1, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? static_cast<std::size_t>(bytes) : 0, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, id, -1, out.data(), bytes, nullptr, nullptr);
    if (!out.empty()) out.pop_back();  // the terminating zero
    CoTaskMemFree(id);
    return out;
}

class EndpointVolume : public MasterVolume {
public:
    ~EndpointVolume() override {
        if (watch_ && enumerator_) enumerator_->UnregisterEndpointNotificationCallback(watch_.get());
    }

    bool usable() const { return com_.usable(); }

    std::optional<VolumeReading> read() override {
        followDefault();
        if (!endpoint_) return std::nullopt;
        float scalar = 0.0f;
        if (FAILED(endpoint_->GetMasterVolumeLevelScalar(&scalar))) return std::nullopt;
        const auto percent = scalarPercent(scalar);
        if (!percent) return std::nullopt;
        return VolumeReading{deviceId_, *percent};
    }

    bool write(const std::string& device, int percent) override {
        followDefault();
        if (!endpoint_ || device != deviceId_) return false;
        return SUCCEEDED(endpoint_->SetMasterVolumeLevelScalar(percentScalar(percent), &GUID_NULL));
    }

    bool reopen() override {
        endpoint_.reset();
        deviceId_.clear();
        if (!com_.usable()) return false;
        if (!enumerator_) {
            if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                        __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(enumerator_.put()))))
                return false;
            // Without the watch a headset made the default would not be
            // noticed while the old device still answers.
            watch_ = DeviceWatch::create();
            if (FAILED(enumerator_->RegisterEndpointNotificationCallback(watch_.get()))) watch_.reset();
        }
        ComPtr<IMMDevice> device;
        if (FAILED(enumerator_->GetDefaultAudioEndpoint(eRender, eConsole, device.put())) || !device) return false;
        if (FAILED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_ALL, nullptr,
                                    reinterpret_cast<void**>(endpoint_.put()))) ||
            !endpoint_) {
            endpoint_.reset();
            return false;
        }
        deviceId_ = endpointId(device.get());
        return true;
    }

private:
    // The default device changed since the last call: take the new one.
    void followDefault() {
        if (watch_ && watch_->takeChange()) reopen();
    }

    // Declared first: COM is initialised before and given up after the interfaces.
    ComApartment com_;
    ComPtr<IMMDeviceEnumerator> enumerator_;
    ComPtr<IAudioEndpointVolume> endpoint_;
    std::string deviceId_;
    ComPtr<DeviceWatch> watch_;  // registered with the enumerator
};

}  // namespace

std::unique_ptr<MasterVolume> openEndpointVolume() {
    auto volume = std::make_unique<EndpointVolume>();
    if (!volume->usable()) return nullptr;
    volume->reopen();  // no device now is fine: a later read tries again
    return volume;
}

}  // namespace zelvane::audio
