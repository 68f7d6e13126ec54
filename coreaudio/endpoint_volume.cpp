// The default render endpoint's master volume through Core Audio.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

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

class EndpointVolume : public MasterVolume {
public:
    bool usable() const { return com_.usable(); }

    std::optional<int> read() override {
        if (!endpoint_) return std::nullopt;
        float scalar = 0.0f;
        if (FAILED(endpoint_->GetMasterVolumeLevelScalar(&scalar))) return std::nullopt;
        return scalarPercent(scalar);
    }

    bool write(int percent) override {
        if (!endpoint_) return false;
        return SUCCEEDED(endpoint_->SetMasterVolumeLevelScalar(percentScalar(percent), &GUID_NULL));
    }

    bool reopen() override {
        endpoint_.reset();
        if (!com_.usable()) return false;
        if (!enumerator_ && FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                                    __uuidof(IMMDeviceEnumerator),
                                                    reinterpret_cast<void**>(enumerator_.put()))))
            return false;
        ComPtr<IMMDevice> device;
        if (FAILED(enumerator_->GetDefaultAudioEndpoint(eRender, eConsole, device.put()))) return false;
        return SUCCEEDED(device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_ALL, nullptr,
                                          reinterpret_cast<void**>(endpoint_.put()))) &&
               endpoint_;
    }

private:
    // Declared first: COM is initialised before and given up after the interfaces.
    ComApartment com_;
    ComPtr<IMMDeviceEnumerator> enumerator_;
    ComPtr<IAudioEndpointVolume> endpoint_;
};

}  // namespace

std::unique_ptr<MasterVolume> openEndpointVolume() {
    auto volume = std::make_unique<EndpointVolume>();
    if (!volume->usable()) return nullptr;
    volume->reopen();  // no device now is fine: a later read tries again
    return volume;
}

}  // namespace zelvane::audio
