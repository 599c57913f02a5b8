// The notices of the libraries the player contains, as `demoplayer --licences` prints them.
#pragma once

const char* licenceText();
