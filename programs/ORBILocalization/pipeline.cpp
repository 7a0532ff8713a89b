// Frame pipeline: one reader/writer thread, N worker threads, a ring of
// frame slots.
#include "pipeline.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "exit_status.h"
#include "frame_buffer.h"

namespace orbi {

namespace {

enum class SlotState { kFree, kLoaded, kDone };

struct Slot {
  SlotState state = SlotState::kFree;
  int frame = -1;                         // frame held
  FrameBuffer pixels;                     // photons, nx * ny
  std::vector<BeadsLocalization> results; // localizations of the frame
  int error = BEADS_OK;                   // engine status of the frame
};

struct Shared {
  std::mutex mutex;
  std::condition_variable work;      // a slot was loaded, or shutdown
  std::condition_variable finished;  // a slot is done
  std::deque<int> queue;             // loaded slots waiting for a worker
  std::vector<Slot> slots;
  bool shutdown = false;
};

void Worker(Shared* s, int nx, int ny, const BeadsLocalizerOptions& options) {
  BeadsLocalizer* localizer = nullptr;
  const int create = BeadsLocalizerCreate(nx, ny, &options, &localizer);
  for (;;) {
    int index;
    {
      std::unique_lock<std::mutex> lock(s->mutex);
      s->work.wait(lock, [&] { return s->shutdown || !s->queue.empty(); });
      if (s->shutdown) break;
      index = s->queue.front();
      s->queue.pop_front();
    }
    Slot& slot = s->slots[index];
    int rc = create;
    if (rc == BEADS_OK) {
      const BeadsLocalization* locs = nullptr;
      int count = 0;
      rc = BeadsLocalizeFrame(localizer, slot.pixels.get(), slot.frame, &locs, &count);
      try {
        if (rc == BEADS_OK) slot.results.assign(locs, locs + count);
      } catch (const std::bad_alloc&) {
        rc = BEADS_ERR_MEMORY;
      }
    }
    {
      std::lock_guard<std::mutex> lock(s->mutex);
      slot.error = rc;
      slot.state = SlotState::kDone;
    }
    s->finished.notify_all();
  }
  BeadsLocalizerDestroy(localizer);
}

}  // namespace

int RunPipeline(ImageSource* source, LocalizationWriter* writer, StatusFile* status,
                const PipelineConfig& config, const volatile std::sig_atomic_t* stop,
                std::string* reason) {
  const int frames = source->frames(), nx = source->nx(), ny = source->ny();
  Shared s;
  s.slots.resize(config.threads + 2);
  for (Slot& slot : s.slots) slot.pixels = AllocateFrame(static_cast<size_t>(nx) * ny);
  std::vector<std::thread> workers;
  int result = kSuccess;
  try {
    for (int k = 0; k < config.threads; ++k)
      workers.emplace_back(Worker, &s, nx, ny, std::cref(config.localizer));
  } catch (const std::system_error&) {
    *reason = "cannot start worker threads";
    result = kInternalError;
  }
  const int slots = static_cast<int>(s.slots.size());
  int next_read = 0, next_write = 0, shown = -1;
  while (result == kSuccess && next_write < frames) {
    if (*stop) {
      *reason = "interrupted by signal " + std::to_string(static_cast<int>(*stop));
      result = kCanceled;
      break;
    }
    // Fill every free slot with the next frames.
    while (next_read < frames && next_read - next_write < slots) {
      Slot& slot = s.slots[next_read % slots];
      result = source->ReadFrame(next_read, slot.pixels.get(), reason);
      if (result != kSuccess) break;
      {
        std::lock_guard<std::mutex> lock(s.mutex);
        slot.frame = next_read;
        slot.state = SlotState::kLoaded;
        s.queue.push_back(next_read % slots);
      }
      s.work.notify_one();
      ++next_read;
    }
    if (result != kSuccess) break;
    // Wait for the oldest frame (waking now and then to notice signals).
    Slot& oldest = s.slots[next_write % slots];
    {
      std::unique_lock<std::mutex> lock(s.mutex);
      if (!s.finished.wait_for(lock, std::chrono::milliseconds(50),
                               [&] { return oldest.state == SlotState::kDone; }))
        continue;
    }
    if (oldest.error != BEADS_OK) {
      result = oldest.error == BEADS_ERR_MEMORY ? kNoMemory : kInternalError;
      *reason = result == kNoMemory ? "out of memory while localizing"
                                    : "localization of frame " + std::to_string(oldest.frame) +
                                          " failed";
      break;
    }
    if (!writer->Append(oldest.results.data(), static_cast<int>(oldest.results.size()))) {
      *reason = "cannot write the output file";
      result = kCannotOpenOutput;
      break;
    }
    {
      std::lock_guard<std::mutex> lock(s.mutex);
      oldest.state = SlotState::kFree;
    }
    ++next_write;
    const int progress = static_cast<int>(100LL * next_write / frames);
    if (progress != shown && progress < 100) {
      status->Write(progress, "Localizing frame " + std::to_string(next_write) + " of " +
                                  std::to_string(frames));
      shown = progress;
    }
  }
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    s.shutdown = true;
  }
  s.work.notify_all();
  for (std::thread& t : workers) t.join();
  return result;
}

}  // namespace orbi
