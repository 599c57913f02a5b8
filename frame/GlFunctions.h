// Loading GL's entry points for the context that is current, shared by the player and the GL tests.
#pragma once

// Loads every GL function through GLEW. GLEW checks GLX only after loading GL and may then report
// a missing GLX display although GL works, so its complaint is printed and only a context that
// answers no GL version counts as a failure.
bool loadGlFunctions();
