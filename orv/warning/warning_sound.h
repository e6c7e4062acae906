#pragma once

#include <functional>

namespace orv {

// The sound that announces a warning. play() starts it and returns at once.
class WarningSound {
 public:
  virtual ~WarningSound() = default;
  virtual void play() = 0;
};

// The desktop's "dialog-warning" event sound; when that cannot be started, the plain bell.
class DesktopWarningSound final : public WarningSound {
 public:
  // Starts a sound without waiting; false when it could not.
  using Starter = std::function<bool()>;
  using Bell = std::function<void()>;

  // The event sound through libcanberra (opened on the first warning), QApplication::beep()
  // as the fallback.
  DesktopWarningSound();
  DesktopWarningSound(Starter starter, Bell bell);

  void play() override;

 private:
  Starter m_starter;
  Bell m_bell;
};

}  // namespace orv
