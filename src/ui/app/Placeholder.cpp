// Replaced by the window framework.
