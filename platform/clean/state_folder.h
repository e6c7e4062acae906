#pragma once

#include <string>

#include "unique_fd.h"

namespace orv::clean {

// Where the pending-removal list lives, and whether a folder there may be trusted with it.

// What decides the folder: the environment, when it may be believed, else the account.
struct StateLocation {
  // False for root and for a program started with more rights than its caller (set-id): the
  // environment is then the caller's, who could point the list at one of their making.
  bool trustEnvironment = true;
  std::string xdgStateHome;  // $XDG_STATE_HOME, empty when unset
  std::string home;          // $HOME, empty when unset
  std::string accountHome;   // the home folder of the effective user's account
};

// The location of this process.
StateLocation currentStateLocation();

// The folder of the list: $XDG_STATE_HOME/orv, else ~/.local/state/orv, where ~ is $HOME or the
// account's home; from the account alone when the environment is not trusted. Relative
// values count as unset. Empty when there is no home folder at all.
std::string pendingListFolder(const StateLocation& location);

// Opens `folder` for the list: a real folder (no link at its name) that belongs to the
// effective user and that nobody else may write to, so that nobody else can have put a list
// there or can swap it. With `create`, missing folders are made (mode 0700). An invalid
// descriptor when the folder is missing or not to be trusted.
UniqueFd openTrustedFolder(const std::string& folder, bool create);

// Whether a file or folder with this owner and mode may be trusted by the effective user.
bool trustedOwnerAndMode(unsigned owner, unsigned mode);

}  // namespace orv::clean
