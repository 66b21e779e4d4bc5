// SPDX-License-Identifier: MIT
#include "SampleMessages.h"

#include <algorithm>

const std::vector<std::string>& SampleMessages::all()
{
    static const std::vector<std::string> messages = {
        "Return-Path: <ada@example.org>\n"
        "From: Ada Lovelace <ada@example.org>\n"
        "To: Charles Babbage <charles@example.org>\n"
        "Subject: Notes on the Analytical Engine\n"
        "Date: Mon, 7 Dec 2026 09:15:00 +0000\n"
        "Message-ID: <notes-1@example.org>\n"
        "MIME-Version: 1.0\n"
        "Content-Type: text/plain; charset=utf-8\n"
        "\n"
        "Charles,\n"
        "\n"
        "the translation is done; my notes run longer than the memoir itself.\n"
        "Note G holds the table for the Bernoulli numbers.\n"
        "\n"
        "Ada\n",

        "From: Grace Hopper <grace@example.net>\n"
        "To: Team <team@example.net>\n"
        "Subject: Moth found in relay 70\n"
        "Date: Tue, 8 Dec 2026 15:45:00 -0500\n"
        "Message-ID: <relay-70@example.net>\n"
        "MIME-Version: 1.0\n"
        "Content-Type: text/plain; charset=us-ascii\n"
        "\n"
        "Panel F, relay 70: a moth was caught between the contacts.\n"
        "It is taped into the log book.\n"
        "\n"
        "First actual case of bug being found.\n",

        "From: Alan Turing <alan@example.com>\n"
        "To: Ada Lovelace <ada@example.org>\n"
        "Cc: Grace Hopper <grace@example.net>\n"
        "Subject: Re: Can machines think?\n"
        "Date: Wed, 9 Dec 2026 11:00:00 +0000\n"
        "Message-ID: <imitation-game@example.com>\n"
        "In-Reply-To: <notes-1@example.org>\n"
        "MIME-Version: 1.0\n"
        "Content-Type: text/plain; charset=utf-8\n"
        "\n"
        "> The Engine has no pretensions to originate anything.\n"
        "\n"
        "I propose to consider the question in terms of a game.\n"
        "Three players, two rooms and a teleprinter.\n",
    };
    return messages;
}

bool SampleMessages::select(const std::vector<std::size_t>& indices, std::string* error)
{
    for (auto index = indices.begin(); index != indices.end(); ++index) {
        if (*index >= all().size()) {
            *error = "no message at index " + std::to_string(*index);
            return false;
        }
        if (std::find(indices.begin(), index, *index) != index) {
            *error = "index " + std::to_string(*index) + " given twice";
            return false;
        }
    }
    selection = indices;
    return true;
}

std::vector<std::string> SampleMessages::selected() const
{
    std::vector<std::string> messages;
    for (auto index : selection)
        messages.push_back(all()[index]);
    return messages;
}
