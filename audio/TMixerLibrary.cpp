#include "audio/TMixerLibrary.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/EmbeddedMedia.h"

// A decoded effect: interleaved stereo floats at the mixing rate.
struct FSOUND_SAMPLE {
    std::vector<float> frames;
    std::size_t frameCount = 0;
};

// A loaded module and its playing state. A module made from the program's own built-in bytes
// is parsed when it is first played (module stays null until then): those bytes never go away.
struct FMUSIC_MODULE {
    openmpt_module* module = nullptr;
    const unsigned char* bytes = nullptr;
    std::size_t size = 0;
    int volume = 0;
    bool playing = false;
    bool paused = false;
    bool finished = false;

    FMUSIC_MODULE() = default;
    FMUSIC_MODULE(const FMUSIC_MODULE&) = delete;
    FMUSIC_MODULE& operator=(const FMUSIC_MODULE&) = delete;
    ~FMUSIC_MODULE() {
        if (module != nullptr) {
            openmpt_module_destroy(module);
        }
    }
};

namespace gb {

namespace {

// The mix is made in chunks of this many frames, into buffers allocated up front.
constexpr int kChunkFrames = 1024;
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 192000;

// Ogg Vorbis read straight from memory.
struct MemoryReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
};

std::size_t readMemory(void* out, std::size_t size, std::size_t count, void* source) {
    auto* reader = static_cast<MemoryReader*>(source);
    if (size == 0) {
        return 0;
    }
    const std::size_t bytes = std::min(size * count, reader->size - reader->position);
    std::memcpy(out, reader->data + reader->position, bytes);
    reader->position += bytes;
    return bytes / size;
}

int seekMemory(void* source, ogg_int64_t offset, int whence) {
    auto* reader = static_cast<MemoryReader*>(source);
    ogg_int64_t base = 0;
    if (whence == SEEK_CUR) {
        base = static_cast<ogg_int64_t>(reader->position);
    } else if (whence == SEEK_END) {
        base = static_cast<ogg_int64_t>(reader->size);
    }
    const ogg_int64_t target = base + offset;
    if (target < 0 || target > static_cast<ogg_int64_t>(reader->size)) {
        return -1;
    }
    reader->position = static_cast<std::size_t>(target);
    return 0;
}

long tellMemory(void* source) {
    return static_cast<long>(static_cast<MemoryReader*>(source)->position);
}

// Decodes a whole Ogg Vorbis file into interleaved stereo at its own rate. Returns kSoundOk or
// the error code for the failure.
int decodeVorbis(const unsigned char* bytes, std::size_t size, std::vector<float>& stereo,
                 long& sourceRate) {
    MemoryReader reader{bytes, size, 0};
    const ov_callbacks callbacks{readMemory, seekMemory, nullptr, tellMemory};
    OggVorbis_File file;
    const int opened = ov_open_callbacks(&reader, &file, nullptr, 0, callbacks);
    if (opened != 0) {
        // A failed open leaves nothing to clear.
        if (opened == OV_ENOTVORBIS) {
            return kSoundUnknownFormat;
        }
        return opened == OV_EVERSION ? kSoundUnsupportedVersion : kSoundBadFile;
    }
    sourceRate = ov_info(&file, -1)->rate;
    if (sourceRate <= 0) {
        ov_clear(&file);
        return kSoundBadFile;
    }
    int result = kSoundOk;
    for (;;) {
        float** pcm = nullptr;
        int link = 0;
        const long frames = ov_read_float(&file, &pcm, 4096, &link);
        if (frames == 0) {
            break;
        }
        if (frames == OV_HOLE) {
            continue;  // a gap in the data: carry on with what follows
        }
        if (frames < 0) {
            result = kSoundBadFile;
            break;
        }
        const int channels = ov_info(&file, link)->channels;
        const float* left = pcm[0];
        const float* right = channels > 1 ? pcm[1] : pcm[0];
        for (long i = 0; i < frames; ++i) {
            stereo.push_back(left[i]);
            stereo.push_back(right[i]);
        }
    }
    ov_clear(&file);
    return result;
}

// Linear-interpolation resampling of interleaved stereo.
std::vector<float> resampleStereo(const std::vector<float>& source, long fromRate, int toRate) {
    const std::size_t inFrames = source.size() / 2;
    if (inFrames == 0 || fromRate == toRate) {
        return source;
    }
    const std::size_t outFrames = static_cast<std::size_t>(
        std::ceil(static_cast<double>(inFrames) * toRate / static_cast<double>(fromRate)));
    const double step = static_cast<double>(fromRate) / toRate;
    std::vector<float> out(outFrames * 2);
    for (std::size_t j = 0; j < outFrames; ++j) {
        const double position = static_cast<double>(j) * step;
        const std::size_t i = std::min(static_cast<std::size_t>(position), inFrames - 1);
        const std::size_t next = std::min(i + 1, inFrames - 1);
        const float fraction = static_cast<float>(position - static_cast<double>(i));
        for (std::size_t side = 0; side < 2; ++side) {
            const float a = source[i * 2 + side];
            const float b = source[next * 2 + side];
            out[j * 2 + side] = a + (b - a) * fraction;
        }
    }
    return out;
}

bool validVolume(int volume) {
    return volume >= 0 && volume <= kSoundMaxVolume;
}

}  // namespace

TMixerLibrary::TMixerLibrary(Rendering renderedBy)
    : rendering(renderedBy),
      songBuffer(std::size_t{kChunkFrames} * 2),
      mixBuffer(std::size_t{kChunkFrames} * 2) {}

// The destructor shuts the device down itself: a virtual close() called from here would not
// be an override's, which is never what a reader expects.
TMixerLibrary::~TMixerLibrary() {
    shutDown();
}

int TMixerLibrary::fail(int code) {
    error = code;
    return 0;
}

bool TMixerLibrary::ready() {
    if (!initialised) {
        fail(kSoundNotInitialised);
        return false;
    }
    return true;
}

bool TMixerLibrary::knownSong(const FMUSIC_MODULE* song) const {
    return std::any_of(songs.begin(), songs.end(),
                       [song](const auto& known) { return known.get() == song; });
}

bool TMixerLibrary::knownSample(const FSOUND_SAMPLE* sample) const {
    return std::any_of(samples.begin(), samples.end(),
                       [sample](const auto& known) { return known.get() == sample; });
}

int TMixerLibrary::init(int mixrate, int maxSoftwareChannels, unsigned /*flags*/) {
    if (initialised) {
        return fail(kSoundAlreadyInitialised);
    }
    if (mixrate < kMinRate || mixrate > kMaxRate || maxSoftwareChannels < 1 ||
        maxSoftwareChannels > kMaxChannels) {
        return fail(kSoundInvalidParameter);
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        return fail(kSoundOutputDevice);
    }
    SDL_AudioSpec wanted{};
    wanted.freq = mixrate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kDeviceBufferFrames;
    wanted.callback = deviceCallback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts our 16-bit stereo at the mixing rate to whatever the
    // hardware wants, so the mixer always renders exactly what it was asked for.
    const SDL_AudioDeviceID opened = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (opened == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return fail(kSoundOutputDevice);
    }
    {
        std::lock_guard guard(lock);
        device = opened;
        rate = mixrate;
        bufferFrames = obtained.samples;
        channels.assign(static_cast<std::size_t>(maxSoftwareChannels), Channel{});
        initialised = true;
    }
    if (rendering == Rendering::device) {
        SDL_PauseAudioDevice(opened, 0);
    }
    return 1;
}

void TMixerLibrary::close() {
    shutDown();
}

void TMixerLibrary::shutDown() {
    if (!initialised) {
        return;
    }
    {
        std::lock_guard guard(lock);
        initialised = false;
    }
    // Closing waits for a running callback to return, so it must happen outside the lock.
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    std::lock_guard guard(lock);
    device = 0;
    rate = 0;
    bufferFrames = 0;
    channels.clear();
    songs.clear();
    samples.clear();
}

int TMixerLibrary::getError() {
    return error;
}

bool TMixerLibrary::checkBytes(const void* data, unsigned mode, int offset, int length) {
    // Everything the game plays is built into the program, so only loads from memory are
    // supported; without FSOUND_LOADMEMORY data would name a file.
    if (data == nullptr || (mode & FSOUND_LOADMEMORY) == 0 || offset < 0 || length <= 0) {
        fail(kSoundInvalidParameter);
        return false;
    }
    return true;
}

FSOUND_SAMPLE* TMixerLibrary::loadSample(int index, const void* data, unsigned mode, int offset,
                                         int length) {
    if (!ready()) {
        return nullptr;
    }
    // Samples are not kept in numbered slots: each load gets a new one.
    if (index != FSOUND_FREE) {
        fail(kSoundInvalidParameter);
        return nullptr;
    }
    if (!checkBytes(data, mode, offset, length)) {
        return nullptr;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data) + offset;
    const auto size = static_cast<std::size_t>(length);
    std::vector<float> decoded;
    long sourceRate = 0;
    const int decodeResult = decodeVorbis(bytes, size, decoded, sourceRate);
    if (decodeResult != kSoundOk) {
        fail(decodeResult);
        return nullptr;
    }
    auto sample = std::make_unique<FSOUND_SAMPLE>();
    sample->frames = resampleStereo(decoded, sourceRate, rate);
    sample->frameCount = sample->frames.size() / 2;
    FSOUND_SAMPLE* handle = sample.get();
    std::lock_guard guard(lock);
    samples.push_back(std::move(sample));
    return handle;
}

int TMixerLibrary::playSound(int channel, FSOUND_SAMPLE* sample) {
    if (!ready()) {
        return -1;
    }
    std::lock_guard guard(lock);
    if (!knownSample(sample)) {
        fail(kSoundInvalidParameter);
        return -1;
    }
    const int count = static_cast<int>(channels.size());
    if (channel == FSOUND_FREE) {
        const auto freeChannel = std::find_if(channels.begin(), channels.end(),
                                              [](const Channel& c) { return c.sample == nullptr; });
        if (freeChannel == channels.end()) {
            fail(kSoundNoFreeChannel);
            return -1;
        }
        channel = static_cast<int>(freeChannel - channels.begin());
    } else if (channel < 0 || channel >= count) {
        fail(kSoundInvalidParameter);
        return -1;
    }
    // A named channel drops whatever it was playing.
    channels[static_cast<std::size_t>(channel)] = Channel{sample, 0};
    return channel;
}

int TMixerLibrary::setSfxMasterVolume(int volume) {
    if (!validVolume(volume)) {
        return fail(kSoundInvalidParameter);
    }
    // A plain setting: accepted with or without a device.
    std::lock_guard guard(lock);
    sfxVolume = volume;
    return 1;
}

FMUSIC_MODULE* TMixerLibrary::loadSong(const void* data, int offset, int length, unsigned mode,
                                       const int* /*sampleList*/, int /*sampleListNum*/) {
    // The sample list (load only some of a module's samples) is not needed by a player that
    // keeps whole modules. FSOUND_LOOP_OFF concerns samples, whose loops a module sets itself;
    // songs always start again at their end.
    if (!ready()) {
        return nullptr;
    }
    if (!checkBytes(data, mode, offset, length)) {
        return nullptr;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(data) + offset;
    const auto size = static_cast<std::size_t>(length);
    auto song = std::make_unique<FMUSIC_MODULE>();
    if (isBuiltInMedia(bytes, size)) {
        // The game's own modules: parsing one takes milliseconds and megabytes, so it waits
        // until the module is played; a quick look at the header still refuses what is not one.
        int openmptError = OPENMPT_ERROR_OK;
        if (openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, bytes, size, size,
                                      openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
                                      nullptr, &openmptError,
                                      nullptr) != OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS) {
            fail(openmptError == OPENMPT_ERROR_OUT_OF_MEMORY ? kSoundOutOfMemory
                                                             : kSoundUnknownFormat);
            return nullptr;
        }
        song->bytes = bytes;
        song->size = size;
    } else {
        // Bytes the caller may free after this call: parsed now.
        song->module = parseModule(bytes, size);
        if (song->module == nullptr) {
            return nullptr;
        }
    }
    FMUSIC_MODULE* handle = song.get();
    std::lock_guard guard(lock);
    song->volume = defaultMusicVolume;
    songs.push_back(std::move(song));
    return handle;
}

openmpt_module* TMixerLibrary::parseModule(const unsigned char* bytes, std::size_t size) {
    int openmptError = OPENMPT_ERROR_OK;
    openmpt_module* module = openmpt_module_create_from_memory2(
        bytes, size, openmpt_log_func_silent, nullptr, openmpt_error_func_ignore, nullptr,
        &openmptError, nullptr, nullptr);
    if (module == nullptr) {
        fail(openmptError == OPENMPT_ERROR_OUT_OF_MEMORY ? kSoundOutOfMemory : kSoundUnknownFormat);
        return nullptr;
    }
    openmpt_module_set_repeat_count(module, -1);
    ++parsedSongs;
    return module;
}

int TMixerLibrary::playSong(FMUSIC_MODULE* song) {
    if (!ready()) {
        return 0;
    }
    // Playing always starts from the top, also a song that is already playing.
    auto startFromTheTop = [song] {
        openmpt_module_set_position_seconds(song->module, 0.0);
        song->playing = true;
        song->paused = false;
        song->finished = false;
        return 1;
    };
    {
        std::lock_guard guard(lock);
        if (!knownSong(song)) {
            return fail(kSoundInvalidParameter);
        }
        if (song->module != nullptr) {
            return startFromTheTop();
        }
    }
    // A song that has never played is parsed outside the lock, so the device's callback never
    // waits for it (a song without its module is not mixed).
    openmpt_module* module = parseModule(song->bytes, song->size);
    if (module == nullptr) {
        return 0;
    }
    std::lock_guard guard(lock);
    if (!knownSong(song)) {
        openmpt_module_destroy(module);
        return fail(kSoundInvalidParameter);
    }
    song->module = module;
    return startFromTheTop();
}

int TMixerLibrary::stopSong(FMUSIC_MODULE* song) {
    if (!ready()) {
        return 0;
    }
    std::lock_guard guard(lock);
    if (!knownSong(song)) {
        return fail(kSoundInvalidParameter);
    }
    song->playing = false;
    song->paused = false;
    return 1;
}

int TMixerLibrary::setPaused(FMUSIC_MODULE* song, int paused) {
    if (!ready()) {
        return 0;
    }
    std::lock_guard guard(lock);
    if (!knownSong(song)) {
        return fail(kSoundInvalidParameter);
    }
    song->paused = paused != 0;
    return 1;
}

// The null song stands for the music volume newly loaded songs start with. The manager sets the
// volume once before any track is loaded, so it addresses the null song then; refusing would
// print "Volume not changed to 128" and an error line at every start of the game. Like the
// effects' master volume this is a plain setting, accepted with or without a device.
int TMixerLibrary::setMasterVolume(FMUSIC_MODULE* song, int volume) {
    if (!validVolume(volume)) {
        return fail(kSoundInvalidParameter);
    }
    if (song == nullptr) {
        std::lock_guard guard(lock);
        defaultMusicVolume = volume;
        return 1;
    }
    if (!ready()) {
        return 0;
    }
    std::lock_guard guard(lock);
    if (!knownSong(song)) {
        return fail(kSoundInvalidParameter);
    }
    song->volume = volume;
    return 1;
}

int TMixerLibrary::getMasterVolume(FMUSIC_MODULE* song) {
    std::lock_guard guard(lock);
    if (song == nullptr) {
        return defaultMusicVolume;
    }
    if (!initialised) {
        fail(kSoundNotInitialised);
        return -1;
    }
    if (!knownSong(song)) {
        fail(kSoundInvalidParameter);
        return -1;
    }
    return song->volume;
}

int TMixerLibrary::isFinished(FMUSIC_MODULE* song) {
    if (!ready()) {
        return 0;
    }
    std::lock_guard guard(lock);
    if (!knownSong(song)) {
        return fail(kSoundInvalidParameter);
    }
    return song->finished ? 1 : 0;
}

void TMixerLibrary::mix(int16_t* out, int frames) {
    std::lock_guard guard(lock);
    mixLocked(out, frames);
}

void TMixerLibrary::deviceCallback(void* user, uint8_t* stream, int bytes) {
    static_cast<TMixerLibrary*>(user)->mix(reinterpret_cast<int16_t*>(stream),
                                           bytes / static_cast<int>(2 * sizeof(int16_t)));
}

void TMixerLibrary::mixLocked(int16_t* out, int frames) {
    while (frames > 0) {
        const int count = std::min(frames, kChunkFrames);
        const std::size_t values = static_cast<std::size_t>(count) * 2;
        std::fill_n(mixBuffer.begin(), values, 0.0f);
        if (initialised) {
            for (const auto& song : songs) {
                if (!song->playing || song->paused) {
                    continue;
                }
                const std::size_t got = openmpt_module_read_interleaved_float_stereo(
                    song->module, rate, static_cast<std::size_t>(count), songBuffer.data());
                const float gain = static_cast<float>(song->volume) / kSoundMaxVolume;
                for (std::size_t i = 0; i < got * 2; ++i) {
                    mixBuffer[i] += songBuffer[i] * gain;
                }
                if (got < static_cast<std::size_t>(count)) {
                    // Only a module that cannot go on stops: repeating ones never get here.
                    song->playing = false;
                    song->finished = true;
                }
            }
            const float sfxGain = static_cast<float>(sfxVolume) / kSoundMaxVolume;
            for (Channel& channel : channels) {
                if (channel.sample == nullptr) {
                    continue;
                }
                const std::size_t left = channel.sample->frameCount - channel.frame;
                const std::size_t take = std::min(left, static_cast<std::size_t>(count));
                const float* source = channel.sample->frames.data() + channel.frame * 2;
                for (std::size_t i = 0; i < take * 2; ++i) {
                    mixBuffer[i] += source[i] * sfxGain;
                }
                channel.frame += take;
                if (channel.frame >= channel.sample->frameCount) {
                    channel = Channel{};
                }
            }
        }
        for (std::size_t i = 0; i < values; ++i) {
            const float clipped = std::clamp(mixBuffer[i], -1.0f, 1.0f);
            out[i] = static_cast<int16_t>(std::lrintf(clipped * 32767.0f));
        }
        out += values;
        frames -= count;
    }
}

}  // namespace gb
