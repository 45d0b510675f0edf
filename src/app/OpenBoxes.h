#pragma once

// The modal boxes and pop-up menus of the window.
namespace openboxes {

// Ends those that are open, as their Cancel or Escape would, so that the loops waiting in them
// return and a close of the system is not left waiting for a user who is not there.
void dismiss();

} // namespace openboxes
