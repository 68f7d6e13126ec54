// A stand-in for the Core Audio device library, for the end-to-end tests
// only (never shipped). Wine on the test machines has no playback device;
// this library answers in its place with devices the test makes up, so that
// the program's own Core Audio code runs: the default playback endpoint, its
// ID and master volume, and the notice when the default device changes.
//
// Everything goes through files in C:\zlvaudio, so a test can change the
// devices while Zelvane runs and read what it set:
//   default   the name of the default playback device; missing or empty: none
//   <name>    one file per device: its volume in percent; a device whose
//             file is gone answers "device invalidated"
//   log       one line per volume set: "set <name> <percent>"
// A device's endpoint ID is "{0.0.0.00000000}.zlv-<name>". A watcher thread
// looks at "default" every 30 ms and tells every registered client when it
// changes.
#include <windows.h>
#include <objbase.h>
#include <mmdeviceapi.h>
#include <endpointvolume.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr HRESULT kDeviceInvalidated = static_cast<HRESULT>(0x88890004L);  // AUDCLNT_E_DEVICE_INVALIDATED

std::string readFile(const std::string& name) {
    HANDLE f = CreateFileA(("C:\\zlvaudio\\" + name).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "\x01";  // no such file
    char buffer[256] = {};
    DWORD n = 0;
    ReadFile(f, buffer, sizeof buffer - 1, &n, nullptr);
    CloseHandle(f);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

bool writeFile(const std::string& name, const std::string& text, bool append) {
    HANDLE f = CreateFileA(("C:\\zlvaudio\\" + name).c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           append ? OPEN_ALWAYS : CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const BOOL ok = WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(f);
    return ok && n == text.size();
}

std::string defaultDevice() {
    const std::string name = readFile("default");
    return name == "\x01" ? std::string() : name;
}

std::wstring endpointId(const std::string& name) {
    return L"{0.0.0.00000000}.zlv-" + std::wstring(name.begin(), name.end());
}

// COM objects end through their own Release, never by a delete through the
// interface, which has no virtual destructor by design.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// IUnknown for an object with one interface; it ends with its last Release.
template <typename Interface>
class ComObject : public Interface {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
            *out = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    LONG refs_ = 1;
};

class EndpointVolume : public ComObject<IAudioEndpointVolume> {
public:
    explicit EndpointVolume(std::string name) : name_(std::move(name)) {}

    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(FLOAT* level) override {
        if (!level) return E_POINTER;
        const std::string text = readFile(name_);
        if (text == "\x01") return kDeviceInvalidated;
        *level = static_cast<FLOAT>(std::atoi(text.c_str())) / 100.0f;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(FLOAT level, LPCGUID) override {
        if (readFile(name_) == "\x01") return kDeviceInvalidated;
        const int percent = static_cast<int>(std::lround(level * 100.0f));
        if (!writeFile(name_, std::to_string(percent), false)) return E_FAIL;
        writeFile("log", "set " + name_ + " " + std::to_string(percent) + "\n", true);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RegisterControlChangeNotify(IAudioEndpointVolumeCallback*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnregisterControlChangeNotify(IAudioEndpointVolumeCallback*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* n) override {
        if (n) *n = 2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(FLOAT, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(FLOAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT, FLOAT, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT, FLOAT, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT, FLOAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT, FLOAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetMute(WINBOOL, LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMute(WINBOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT*, UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVolumeRange(FLOAT*, FLOAT*, FLOAT*) override { return E_NOTIMPL; }

private:
    std::string name_;
};

class Device : public ComObject<IMMDevice> {
public:
    explicit Device(std::string name) : name_(std::move(name)) {}

    HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD, PROPVARIANT*, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != __uuidof(IAudioEndpointVolume)) return E_NOINTERFACE;
        *out = static_cast<IAudioEndpointVolume*>(new EndpointVolume(name_));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD, IPropertyStore**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override {
        if (!id) return E_POINTER;
        const std::wstring text = endpointId(name_);
        *id = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
        if (!*id) return E_OUTOFMEMORY;
        std::memcpy(*id, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override {
        if (!state) return E_POINTER;
        *state = readFile(name_) == "\x01" ? DEVICE_STATE_UNPLUGGED : DEVICE_STATE_ACTIVE;
        return S_OK;
    }

private:
    std::string name_;
};

// The clients registered for notices, and the thread that tells them.
struct Watch {
    std::mutex lock;
    std::vector<IMMNotificationClient*> clients;  // one reference each
    bool started = false;
};
Watch g_watch;  // one per process, as the system's own is

void watchDefault() {
    std::string last = defaultDevice();
    for (;;) {
        Sleep(30);
        const std::string now = defaultDevice();
        if (now == last) continue;
        last = now;
        std::vector<IMMNotificationClient*> clients;
        {
            std::lock_guard<std::mutex> guard(g_watch.lock);
            for (IMMNotificationClient* c : g_watch.clients) {
                c->AddRef();
                clients.push_back(c);
            }
        }
        const std::wstring id = endpointId(now);
        for (IMMNotificationClient* c : clients) {
            c->OnDefaultDeviceChanged(eRender, eConsole, now.empty() ? nullptr : id.c_str());
            c->Release();
        }
    }
}

class Enumerator : public ComObject<IMMDeviceEnumerator> {
public:
    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow, DWORD, IMMDeviceCollection**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow flow, ERole, IMMDevice** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        const std::string name = defaultDevice();
        if (flow != eRender || name.empty() || readFile(name) == "\x01") return E_NOTFOUND;
        *out = new Device(name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR, IMMDevice**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        if (!client) return E_POINTER;
        std::lock_guard<std::mutex> guard(g_watch.lock);
        client->AddRef();
        g_watch.clients.push_back(client);
        if (!g_watch.started) {
            g_watch.started = true;
            std::thread(watchDefault).detach();  // lives as long as the process: the library is never unloaded
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(IMMNotificationClient* client) override {
        std::lock_guard<std::mutex> guard(g_watch.lock);
        for (auto it = g_watch.clients.begin(); it != g_watch.clients.end(); ++it) {
            if (*it == client) {
                client->Release();
                g_watch.clients.erase(it);
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }
};

class Factory : public ComObject<IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        Enumerator* e = new Enumerator;
        const HRESULT hr = e->QueryInterface(iid, out);
        e->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(WINBOOL) override { return S_OK; }
};

}  // namespace

extern "C" {

HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != __uuidof(MMDeviceEnumerator)) return CLASS_E_CLASSNOTAVAILABLE;
    Factory* f = new Factory;
    const HRESULT hr = f->QueryInterface(iid, out);
    f->Release();
    return hr;
}

HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }
HRESULT WINAPI DllRegisterServer() { return S_OK; }
HRESULT WINAPI DllUnregisterServer() { return S_OK; }

}  // extern "C"
