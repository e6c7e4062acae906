#include "warning/warning_sound.h"

#include <QApplication>
#include <memory>

#include "warning/canberra_player.h"

namespace orv {

DesktopWarningSound::DesktopWarningSound()
    : DesktopWarningSound(
          [player = std::shared_ptr<CanberraPlayer>()]() mutable {
            if (!player) player = std::make_shared<CanberraPlayer>();
            return player->start("dialog-warning");
          },
          [] { QApplication::beep(); }) {}

DesktopWarningSound::DesktopWarningSound(Starter starter, Bell bell)
    : m_starter(std::move(starter)), m_bell(std::move(bell)) {}

void DesktopWarningSound::play() {
  const bool started = m_starter && m_starter();
  if (!started && m_bell) m_bell();
}

}  // namespace orv
