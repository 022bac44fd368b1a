#pragma once
// One line with the time and every present value, as the live commands print it each second.
void PrintLiveValues();
