// Compiled into a library folder that has no sources of its own yet.
