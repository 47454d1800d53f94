// SPDX-License-Identifier: MIT
#pragma once

// The fields the program reads and writes in every tag.
enum class TagField { Title, Artist, Album, Track, Genre, Year, Comment };
